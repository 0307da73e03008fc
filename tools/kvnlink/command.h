// command.h - the commands a user types (or gives to `kvnlink encode`) turned into messages.
#pragma once

#include <string>
#include <vector>

#include "kvn.h"

namespace kvnlink {

struct Command {
    enum class Kind { send, quit, help, board, empty, error };
    Kind kind = Kind::empty;
    kvn_message message{};
    std::string raw_text; // raw: the wire text as typed
    std::string error;    // error: what was wrong, one line
};

// One typed line: a command word, then its fields.  A field with spaces
// (a name) goes in double quotes; chat and raw take the rest of the line.
Command parse_line(const std::string &line);

// The same commands given as separate words, as on kvnlink's command line.
Command parse_words(const std::vector<std::string> &words);

// The command summary printed by `help`, several lines.
const char *command_help();

} // namespace kvnlink
