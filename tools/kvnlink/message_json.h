// message_json.h - a message record as the fields of a JSON object.
#pragma once

#include "json_line.h"
#include "kvn.h"

namespace kvnlink {

// Adds "kind" and every field of the message's type to `object`, by the record's field names.
void add_message_fields(Json &object, const kvn_message &message);

} // namespace kvnlink
