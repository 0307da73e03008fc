// subcommands.h - what each subcommand is given once its command line is read, and the code that runs it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link_options.h"

namespace kvnlink {

struct MatchOptions; // match_options.h

// The two ends A and B of a bridge, each a link of its own (with its --timeout or --retry).
struct BridgeOptions {
    LinkOptions ends[2];
    std::string names[2] = {"A", "B"};
    std::string addresses[2]; // as written on the command line
    std::string pdn;
    bool json = false;
    EndCodes end_codes{}; // what each game end reason means to the referee (default: nothing)
    LiveOptions live;     // --http: the live page
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

struct PdnOptions {
    std::string file;
    bool json = false;
};

struct BoardOptions {
    std::string fen;      // the position, or
    std::string pdn;      // a PDN file and, in it,
    int game = 1;         // the game (1 for the first)
    int ply = -1;         // and the plies played (-1: all of them)
    std::string svg;      // the diagram's file; empty: the board drawn as text
    bool numbers = false; // square numbers on the diagram
    bool black_below = false;
};

// Each returns the process exit code.
int run_link(const LinkOptions &options);
int run_perft(const PerftOptions &options);
int run_pdn(const PdnOptions &options);
int run_board(const BoardOptions &options);
int run_demo(const DemoOptions &options);
int run_bridge(const BridgeOptions &options);
int run_decode(const std::string &text, bool json);
int run_encode(const std::vector<std::string> &words, bool json);
// match_runner.cpp and match_lane.cpp: engine-against-engine matches and their worker lanes.
int run_match(const MatchOptions &options);
int run_match_lane(const MatchOptions &options);

} // namespace kvnlink
