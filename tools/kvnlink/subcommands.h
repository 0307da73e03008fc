// subcommands.h - kvnlink's subcommands, each returning the process exit code.
#pragma once

#include <string>
#include <vector>

namespace kvnlink {

// Exit codes shared by every subcommand.
inline constexpr int exit_ok = 0;
inline constexpr int exit_failed = 1;    // no link, or the demo saw a difference
inline constexpr int exit_usage = 2;     // bad command line
inline constexpr int exit_link_lost = 3; // the peer went away

struct LinkOptions {
    enum class Mode { listen, connect, serial };
    Mode mode = Mode::listen;
    std::string host;          // connect
    int port = 0;              // 0: the library's default, 27531
    bool ipv6 = false;
    double timeout_s = -1;     // listen: give up after this long (< 0: never)
    double retry_s = 0;        // connect: keep retrying a refused connection this long
    int serial_port = 1;       // serial: COM1..COM9
    bool json = false;
};

struct PerftOptions {
    int depth = 0;
    std::string fen;    // empty: the starting position
    bool divide = false;
};

int run_link(const LinkOptions &options);
int run_perft(const PerftOptions &options);
int run_demo(int port, bool json);
int run_decode(const std::string &text, bool json);
int run_encode(const std::vector<std::string> &words, bool json);

} // namespace kvnlink
