// cli_table.h - kvnlink's subcommands in one table: each one's name, help text, options and handler.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "live_options.h"

namespace kvnlink {

// Runs a subcommand with the options read into it; returns the exit code.
using Handler = std::function<int()>;

struct Subcommand {
    const char *name;
    const char *summary; // the line in `kvnlink help`
    const char *details; // printed under the options by `kvnlink help NAME`; may be ""
    // Adds the subcommand's words and options to `app`, bound to values of
    // its own, and returns the handler that runs it with them once parsed.
    Handler (*define)(CLI::App &app);
};

const std::vector<Subcommand> &subcommand_table();

// A command line that parsed but makes no sense (two ends on one serial
// port, ...): main reports it as it does CLI11's own complaints, exit 2.
struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The list of subcommands and the top-level options, as `kvnlink help` prints it.
std::string root_help(const CLI::App &root);

// --http PORT and --http-host HOST, the live page of a subcommand that referees games.
void add_live_page_options(CLI::App &app, LiveOptions &options);

// The definitions, one per subcommand or family of them.
Handler define_listen(CLI::App &app);
Handler define_connect(CLI::App &app);
Handler define_serial(CLI::App &app);
Handler define_bridge(CLI::App &app);
Handler define_demo(CLI::App &app);
Handler define_decode(CLI::App &app);
Handler define_encode(CLI::App &app);
Handler define_perft(CLI::App &app);
Handler define_pdn(CLI::App &app);
Handler define_board(CLI::App &app);
Handler define_help(CLI::App &app);
Handler define_match(CLI::App &app);
Handler define_match_lane(CLI::App &app);

} // namespace kvnlink
