// subcommands.h - kvnlink's subcommands, each returning the process exit code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kvn.h"

namespace kvnlink {

// Exit codes shared by every subcommand.
inline constexpr int exit_ok = 0;
inline constexpr int exit_failed = 1;    // no link, or the demo saw a difference
inline constexpr int exit_usage = 2;     // bad command line
inline constexpr int exit_link_lost = 3; // the peer went away

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
    bool auto_play = false;             // play by itself (listen and connect)
    std::optional<std::uint64_t> seed;  // auto: the random choices' seed (none: from the clock)
    std::optional<kvn_message> request; // auto: the game request to send first
};

// The two ends A and B of a bridge, each a link of its own (with its --timeout or --retry).
struct BridgeOptions {
    LinkOptions ends[2];
    std::string names[2] = {"A", "B"};
    std::string addresses[2]; // as written on the command line
    std::string pdn;
    bool json = false;
};

struct DemoOptions {
    int port = 0;
    bool json = false;
    std::uint64_t seed = 0;
    std::string pdn; // empty: kvnlink-demo.pdn in the temporary directory, replaced
};

struct PerftOptions {
    int depth = 0;
    std::string fen; // empty: the starting position
    bool divide = false;
};

int run_link(const LinkOptions &options);
int run_perft(const PerftOptions &options);
int run_demo(const DemoOptions &options);
int run_bridge(const BridgeOptions &options);
int run_decode(const std::string &text, bool json);
int run_encode(const std::vector<std::string> &words, bool json);
// match_runner.cpp and match_lane.cpp: engine-against-engine matches and their worker lanes.
int run_match(const std::vector<std::string> &args);
int run_match_lane(const std::vector<std::string> &args);

} // namespace kvnlink
