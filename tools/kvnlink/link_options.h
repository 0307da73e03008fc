// link_options.h - how to open one link, and the exit codes every subcommand shares.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "end_codes.h"
#include "kvn.h"
#include "live_options.h"

namespace kvnlink {

inline constexpr int exit_ok = 0;
inline constexpr int exit_failed = 1;        // no link, or the demo saw a difference
inline constexpr int exit_usage = 2;         // bad command line
inline constexpr int exit_link_lost = 3;     // the peer went away
inline constexpr int exit_interrupted = 130; // Ctrl-C, as shells report a program it ended

struct LinkOptions {
    enum class Mode { listen, connect, serial };
    Mode mode = Mode::listen;
    std::string host; // connect
    int port = 0;     // 0: the library's default, 27531
    bool ipv6 = false;
    double timeout_s = -1; // listen: give up after this long (< 0: never)
    double retry_s = 0;    // connect: keep retrying a refused connection this long
    int serial_port = 1;   // serial: COM1..COM9
    bool json = false;
    std::string pdn;                    // append every game to this PDN file (empty: none)
    bool allow_illegal = false;         // send typed moves the referee objects to
    EndCodes end_codes{};               // what each game end reason means to the referee (default: nothing)
    bool auto_play = false;             // play by itself (listen and connect)
    std::optional<std::uint64_t> seed;  // auto: the random choices' seed (none: from the clock)
    std::optional<kvn_message> request; // auto: the game request to send first
    int depth = 0;                      // auto: plies its search looks ahead (0: a random legal move)
    LiveOptions live;                   // --http: the live page (listen and connect)
};

} // namespace kvnlink
