// format.h - how kvnlink shows a message: one readable line, one JSON object, or a drawn board.
#pragma once

#include <string>
#include <vector>

#include "kvn.h"

namespace kvnlink {

// Builds one JSON object, key by key, in the order given.
class Json {
public:
    Json &add(const char *key, long value);
    Json &add(const char *key, const std::string &value);
    Json &add(const char *key, const char *value) { return add(key, std::string(value)); }
    Json &add_char(const char *key, char value); // a one-character string; NUL gives ""
    Json &add_bool(const char *key, bool value);
    Json &add_raw(const char *key, const std::string &json);
    std::string str() const { return body_ + "}"; }

private:
    Json &key(const char *name);
    std::string body_ = "{";
};

std::string json_string(const std::string &text);
std::string quoted(const std::string &text); // "..." with \" \\ and \xNN escapes

// Name of a message kind as kvnlink's commands spell it ("move", "backaccept", ...).
const char *kind_name(int32_t type);

// "move 32-28 x19,23 time 15" and the like.
std::string describe(const kvn_message &message);

// The kind and every field of the message's type, added to `json`.
void add_fields(Json &json, const kvn_message &message);

// The position as a 10x10 board beside the numbering of its 50 dark squares.
std::vector<std::string> draw_board(char side_to_move, const char (&squares)[50]);

} // namespace kvnlink
