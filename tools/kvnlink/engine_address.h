// engine_address.h - where `kvnlink match` finds an engine: a link address, or a command it runs itself.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link_options.h"

namespace kvnlink {

struct EngineAddress {
    std::string text;                 // as written
    std::optional<LinkOptions> link;  // listen:PORT, listen6:PORT, connect:HOST:PORT, connect6:HOST:PORT, serial:N
    std::vector<std::string> command; // cmd:COMMAND, split into words, {port} {name} {seed} not yet replaced
};

// Nothing, with the reason in `error`, for a text of none of the forms above.
std::optional<EngineAddress> parse_engine_address(const std::string &text, std::string &error);

// The words of a command line: blanks separate them, double quotes keep blanks in one.
std::vector<std::string> split_words(const std::string &text);

// `word` with every {key} of `values` replaced.
std::string fill_in(std::string word, const std::vector<std::pair<std::string, std::string>> &values);

} // namespace kvnlink
