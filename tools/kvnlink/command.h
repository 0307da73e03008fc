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

// A command word and its fields; `rest` is the line after the word (chat and raw take it whole).
Command build_command(const std::string &word, const std::vector<std::string> &fields, const std::string &rest);

// Whether the word takes the rest of the line as it is, quotes and all (chat, raw).
bool takes_rest_of_line(const std::string &word);

// The command summary printed by `help`, several lines, made from the table of commands.
std::string command_help();

} // namespace kvnlink
