// link_open.h - opening one link in a slot as a listen, connect or serial end, reporting how it went.
#pragma once

#include "notify.h"
#include "printer.h"
#include "link_options.h"

namespace kvnlink {

// 0 once linked (a "connected" line is printed), else the library's result
// code (an "!!" line gives its text).  A listen waits until a peer comes or
// `timeout_s` runs out; a connect retries a refusal for `retry_s`.
int32_t open_link(int32_t slot, const LinkOptions &options, EventSource &events, Printer &out);

} // namespace kvnlink
