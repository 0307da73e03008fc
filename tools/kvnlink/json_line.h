// json_line.h - kvnlink's JSON objects: keys kept in the order they are added, one object per output line.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

namespace kvnlink {

// Ordered, so that every line lists "kind" (or "direction") first, as scripts reading kvnlink expect.
using Json = nlohmann::ordered_json;

// The object on one line, every character outside printable ASCII escaped.
std::string json_line(const Json &object);

// A field of a message record as a JSON string.  The record holds bytes, not
// text: each byte becomes the character of the same number, so that no byte
// a peer sends can make the line invalid.
Json record_text(const std::string &bytes);

// A one-character field; NUL gives "".
Json record_char(char value);

} // namespace kvnlink
