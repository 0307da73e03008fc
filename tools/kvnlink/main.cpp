// main.cpp - kvnlink's command line: picks the subcommand and checks its options.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command.h"
#include "kvn.h"
#include "subcommands.h"

namespace {

using namespace kvnlink;

const char *const usage =
    "usage: kvnlink listen [--port N] [--ipv6] [--timeout SECONDS] [--json] [--pdn FILE] [--allow-illegal]\n"
    "                      [--auto [--seed N] [--request \"NAME COLOUR TIME MOVES\"]]\n"
    "       kvnlink connect HOST [--port N] [--ipv6] [--retry SECONDS] [--json] [--pdn FILE] [--allow-illegal]\n"
    "                      [--auto [--seed N] [--request \"NAME COLOUR TIME MOVES\"]]\n"
    "       kvnlink serial N [--json] [--pdn FILE] [--allow-illegal]   (COM1..COM9)\n"
    "       kvnlink bridge A B [--pdn FILE] [--json] [--timeout SECONDS] [--retry SECONDS]\n"
    "                      (A, B: listen:PORT listen6:PORT connect:HOST:PORT connect6:HOST:PORT serial:N)\n"
    "       kvnlink demo [--port N] [--seed N] [--pdn FILE] [--json]\n"
    "       kvnlink decode WIRETEXT [--json]\n"
    "       kvnlink encode KIND FIELDS... [--json]\n"
    "       kvnlink perft DEPTH [--fen FEN] [--divide]\n"
    "       kvnlink match --engine NAME=ADDRESS --engine NAME=ADDRESS [--games N] [--concurrency K] ...\n"
    "       kvnlink --version\n"
    "Once linked, commands are read from standard input, one per line; type help.\n";

// Depth 11 already takes minutes; beyond 20 a run would never end.
constexpr int max_perft_depth = 20;
// The demo's game: a seed whose game is short, so that `make demo` takes seconds.
constexpr std::uint64_t demo_seed = 794;

int bad(const std::string &why) {
    std::fprintf(stderr, "kvnlink: %s\n%s", why.c_str(), usage);
    return exit_usage;
}

bool to_number(const std::string &text, double lo, double hi, double &out) {
    char *end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && end != nullptr && *end == '\0' && out >= lo && out <= hi;
}

bool to_seed(const std::string &text, std::optional<std::uint64_t> &out) {
    if (text.empty() || text.size() > 20 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    char *end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno == ERANGE) return false;
    out = static_cast<std::uint64_t>(value);
    return true;
}

// Options of listen, connect, serial, bridge and demo; positional words are returned.
struct Parsed {
    LinkOptions options;
    std::vector<std::string> words;
    std::string error;
};

Parsed parse_options(const std::vector<std::string> &args, const std::vector<std::string> &allowed) {
    Parsed p;
    const auto allows = [&](const std::string &name) {
        for (const auto &a : allowed)
            if (a == name) return true;
        return false;
    };
    for (size_t i = 0; i < args.size() && p.error.empty(); ++i) {
        const std::string &a = args[i];
        if (a.rfind("--", 0) != 0) {
            p.words.push_back(a);
            continue;
        }
        if (!allows(a)) {
            p.error = "unknown option " + a;
        } else if (a == "--json") {
            p.options.json = true;
        } else if (a == "--ipv6") {
            p.options.ipv6 = true;
        } else if (a == "--auto") {
            p.options.auto_play = true;
        } else if (a == "--allow-illegal") {
            p.options.allow_illegal = true;
        } else if (i + 1 >= args.size() || args[i + 1].empty()) {
            p.error = a + " needs a value";
        } else {
            double value = 0;
            const std::string &v = args[++i];
            if (a == "--pdn") {
                p.options.pdn = v;
            } else if (a == "--seed") {
                if (!to_seed(v, p.options.seed))
                    p.error = "--seed wants a whole number 0-18446744073709551615, not '" + v + "'";
            } else if (a == "--request") {
                const Command c = parse_line("request " + v);
                if (c.kind == Command::Kind::send) p.options.request = c.message;
                else p.error = "--request wants \"NAME COLOUR TIME MOVES\": " + c.error;
            } else if (a == "--port") {
                if (to_number(v, 1, 65535, value) && value == static_cast<int>(value))
                    p.options.port = static_cast<int>(value);
                else p.error = "--port wants a port number 1-65535, not '" + v + "'";
            } else if (to_number(v, 0, 1e6, value)) {
                (a == "--timeout" ? p.options.timeout_s : p.options.retry_s) = value;
            } else {
                p.error = a + " wants a number of seconds, not '" + v + "'";
            }
        }
    }
    return p;
}

// "listen:PORT", "connect6:HOST:PORT", "serial:N", ... as one end of a bridge.
bool parse_end(const std::string &address, LinkOptions &end, std::string &error) {
    const size_t colon = address.find(':');
    const size_t last = address.rfind(':');
    const std::string kind = address.substr(0, colon);
    double n = 0;
    const auto number = [&](const std::string &text, double hi) {
        return to_number(text, 1, hi, n) && n == static_cast<int>(n);
    };
    error = "a bridge end is listen:PORT, listen6:PORT, connect:HOST:PORT, connect6:HOST:PORT or serial:N, not '" +
            address + "'";
    if (colon == std::string::npos) return false;
    end.ipv6 = kind == "listen6" || kind == "connect6";
    if (kind == "listen" || kind == "listen6") {
        end.mode = LinkOptions::Mode::listen;
        if (!number(address.substr(colon + 1), 65535)) return false;
        end.port = static_cast<int>(n);
    } else if (kind == "connect" || kind == "connect6") {
        end.mode = LinkOptions::Mode::connect;
        // The port follows the last colon, so an IPv6 address may hold colons of its own.
        if (last == colon || !number(address.substr(last + 1), 65535)) return false;
        end.host = address.substr(colon + 1, last - colon - 1);
        end.port = static_cast<int>(n);
        if (end.host.empty()) return false;
    } else if (kind == "serial") {
        end.mode = LinkOptions::Mode::serial;
        if (!number(address.substr(colon + 1), 9)) return false;
        end.serial_port = static_cast<int>(n);
    } else {
        return false;
    }
    return true;
}

int bridge_command(const std::vector<std::string> &args) {
    const Parsed p = parse_options(args, {"--json", "--pdn", "--timeout", "--retry"});
    if (!p.error.empty()) return bad(p.error);
    if (p.words.size() != 2) return bad("bridge wants two ends A and B");
    BridgeOptions o;
    o.json = p.options.json;
    o.pdn = p.options.pdn;
    for (int i = 0; i < 2; ++i) {
        std::string error;
        o.ends[i].timeout_s = p.options.timeout_s;
        o.ends[i].retry_s = p.options.retry_s;
        o.addresses[i] = p.words[static_cast<size_t>(i)];
        if (!parse_end(o.addresses[i], o.ends[i], error)) return bad(error);
    }
    if (o.ends[0].mode == LinkOptions::Mode::serial && o.ends[1].mode == LinkOptions::Mode::serial &&
        o.ends[0].serial_port == o.ends[1].serial_port)
        return bad("the two ends of a bridge cannot be the same serial port");
    return run_bridge(o);
}

int link_command(const std::string &command, const std::vector<std::string> &args) {
    std::vector<std::string> allowed = {"--json", "--pdn", "--allow-illegal"};
    if (command != "serial") allowed.insert(allowed.end(), {"--port", "--ipv6", "--auto", "--seed", "--request"});
    if (command == "listen") allowed.push_back("--timeout");
    if (command == "connect") allowed.push_back("--retry");
    if (command == "demo") allowed = {"--json", "--port", "--seed", "--pdn"};
    Parsed p = parse_options(args, allowed);
    if (!p.error.empty()) return bad(p.error);
    LinkOptions &o = p.options;
    if (command == "demo") {
        if (!p.words.empty()) return bad("demo takes no words, only options");
        DemoOptions demo;
        demo.port = o.port;
        demo.json = o.json;
        demo.seed = o.seed.value_or(demo_seed);
        demo.pdn = o.pdn;
        return run_demo(demo);
    }
    if (!o.auto_play && (o.seed || o.request)) return bad("--seed and --request go with --auto");
    if (command == "listen") {
        if (!p.words.empty()) return bad("listen takes no host");
        o.mode = LinkOptions::Mode::listen;
    } else if (command == "connect") {
        if (p.words.size() != 1) return bad("connect wants one HOST");
        o.mode = LinkOptions::Mode::connect;
        o.host = p.words[0];
    } else {
        double n = 0;
        if (p.words.size() != 1 || !to_number(p.words[0], 1, 9, n) || n != static_cast<int>(n))
            return bad("serial wants a port number 1-9 (COM1..COM9)");
        o.mode = LinkOptions::Mode::serial;
        o.serial_port = static_cast<int>(n);
    }
    return run_link(o);
}

int perft_command(const std::vector<std::string> &args) {
    PerftOptions o;
    bool have_depth = false;
    for (size_t i = 0; i < args.size(); ++i) {
        double depth = 0;
        if (args[i] == "--divide") {
            o.divide = true;
        } else if (args[i] == "--fen") {
            if (i + 1 >= args.size() || args[i + 1].empty())
                return bad("--fen needs a position, such as W:W31-50:B1-20");
            o.fen = args[++i];
        } else if (args[i].rfind("--", 0) == 0) {
            return bad("unknown option " + args[i]);
        } else if (have_depth) {
            return bad("perft wants one DEPTH");
        } else if (to_number(args[i], 0, max_perft_depth, depth) && depth == static_cast<int>(depth)) {
            o.depth = static_cast<int>(depth);
            have_depth = true;
        } else {
            return bad("perft wants a DEPTH 0-" + std::to_string(max_perft_depth) + ", not '" + args[i] + "'");
        }
    }
    if (!have_depth) return bad("perft wants a DEPTH");
    return run_perft(o);
}

// decode and encode take --json first or last, so that message fields stay free.
bool take_json_flag(std::vector<std::string> &args) {
    if (!args.empty() && args.back() == "--json") {
        args.pop_back();
        return true;
    }
    if (!args.empty() && args.front() == "--json") {
        args.erase(args.begin());
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 2) return bad("which subcommand?");
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    if (command == "listen" || command == "connect" || command == "serial" || command == "demo")
        return link_command(command, args);
    if (command == "decode") {
        const bool json = take_json_flag(args);
        if (args.size() != 1) return bad("decode wants one WIRETEXT (quote it)");
        return run_decode(args[0], json);
    }
    if (command == "encode") {
        const bool json = take_json_flag(args);
        if (args.empty()) return bad("encode wants a KIND and its fields");
        return run_encode(args, json);
    }
    if (command == "perft") return perft_command(args);
    if (command == "bridge") return bridge_command(args);
    if (command == "match") return run_match(args);
    if (command == "match-lane") return run_match_lane(args); // started by match itself
    if (command == "--version") {
        // The version of kvn.h this program was built with, which is the library's own.
        std::printf("kvnlink %s\n", KVN_VERSION);
        return exit_ok;
    }
    if (command == "help" || command == "--help" || command == "-h") {
        std::fputs(usage, stdout);
        return exit_ok;
    }
    return bad("unknown subcommand " + command);
}
