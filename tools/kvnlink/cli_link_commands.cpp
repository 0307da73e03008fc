// cli_link_commands.cpp - the options of the subcommands that open links: listen, connect, serial and bridge.
#include <memory>

#include "cli_checks.h"
#include "cli_table.h"
#include "command.h"
#include "link_address.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

// What a link subcommand's options are read into.
struct LinkCli {
    LinkOptions options;
    std::uint64_t seed = 0;
    std::string request;
    CLI::Option *seed_option = nullptr;
};

// kvnlink's opt-in convention for game end reason codes; see end_codes.h.
void add_end_codes(CLI::App &app, EndCodes &codes) {
    app.add_option_function<std::string>(
           "--end-codes",
           [&codes](const std::string &list) {
               std::string why;
               codes = parse_end_codes(list, why).value_or(EndCodes{});
           },
           "what game end reasons 0-3 mean: resign, draw or none (default), e.g. 0=resign,1=draw")
        ->type_name("CODES")
        ->check(checks::end_codes());
}

void add_output(CLI::App &app, LinkOptions &o) {
    app.add_flag("--json", o.json, "print one JSON object per line instead of readable lines");
    app.add_option("--pdn", o.pdn, "append every followed game to FILE in Portable Draughts Notation")
        ->type_name("FILE");
    app.add_flag("--allow-illegal", o.allow_illegal, "send typed moves the referee objects to (else refused)");
    add_end_codes(app, o.end_codes);
}

void add_tcp(CLI::App &app, LinkOptions &o) {
    app.add_option("--port", o.port, "the TCP port, 1-65535 (default 27531)")
        ->type_name("N")
        ->check(checks::port_number());
    app.add_flag("--ipv6", o.ipv6, "use IPv6 instead of IPv4");
}

void add_sparring(CLI::App &app, LinkCli &c) {
    CLI::Option *auto_play =
        app.add_flag("--auto", c.options.auto_play,
                     "play by itself, game after game unless it sends the --request; standard input is not read");
    c.seed_option = app.add_option("--seed", c.seed, "with --auto: the seed of its choices, 0-2^64-1 (default: clock)")
                        ->type_name("N")
                        ->check(checks::seed())
                        ->needs(auto_play);
    app.add_option("--request", c.request, "with --auto: the game request to send first")
        ->type_name("\"NAME COLOUR TIME MOVES\"")
        ->check(checks::request())
        ->needs(auto_play);
    app.add_option("--depth", c.options.depth, "with --auto: search N plies ahead instead of moving at random")
        ->type_name("N")
        ->check(CLI::Range(0, 12))
        ->needs(auto_play);
}

Handler run_with(std::shared_ptr<LinkCli> c, LinkOptions::Mode mode) {
    return [c, mode] {
        c->options.mode = mode;
        if (c->seed_option != nullptr && c->seed_option->count() > 0) c->options.seed = c->seed;
        if (!c->request.empty()) c->options.request = parse_line("request " + c->request).message;
        return run_link(c->options);
    };
}

// listen and connect differ in one option of time: how long to wait for a
// peer, or how long to retry a refusal.
Handler define_tcp_end(CLI::App &app, LinkOptions::Mode mode) {
    auto c = std::make_shared<LinkCli>();
    const bool listens = mode == LinkOptions::Mode::listen;
    if (!listens)
        app.add_option("HOST", c->options.host, "a name or a numeric address, such as 127.0.0.1 or ::1")->required();
    add_tcp(app, c->options);
    if (listens)
        app.add_option("--timeout", c->options.timeout_s, "give up when no peer came within SECONDS (default: never)")
            ->type_name("SECONDS")
            ->check(checks::seconds());
    else
        app.add_option("--retry", c->options.retry_s, "try a refused connection again for SECONDS (default 0)")
            ->type_name("SECONDS")
            ->check(checks::seconds());
    add_output(app, c->options);
    add_sparring(app, *c);
    add_live_page_options(app, c->options.live);
    return run_with(c, mode);
}

} // namespace

Handler define_listen(CLI::App &app) { return define_tcp_end(app, LinkOptions::Mode::listen); }

Handler define_connect(CLI::App &app) { return define_tcp_end(app, LinkOptions::Mode::connect); }

Handler define_serial(CLI::App &app) {
    auto c = std::make_shared<LinkCli>();
    app.add_option("N", c->options.serial_port, "the port number 1-9, for COM1..COM9")
        ->required()
        ->check(checks::serial_port());
    add_output(app, c->options);
    return run_with(c, LinkOptions::Mode::serial);
}

Handler define_bridge(CLI::App &app) {
    auto o = std::make_shared<BridgeOptions>();
    auto timeout = std::make_shared<double>(-1);
    auto retry = std::make_shared<double>(0);
    for (int i = 0; i < 2; ++i)
        app.add_option(o->names[i], o->addresses[i],
                       std::string("end ") + o->names[i] + ", opened " + (i == 0 ? "first" : "second"))
            ->required()
            ->check(checks::link_address());
    app.add_option("--pdn", o->pdn, "append every followed game to FILE in Portable Draughts Notation")
        ->type_name("FILE");
    app.add_flag("--json", o->json, "print one JSON object per line instead of readable lines");
    add_end_codes(app, o->end_codes);
    add_live_page_options(app, o->live);
    app.add_option("--timeout", *timeout, "a listening end gives up after SECONDS (default: never)")
        ->type_name("SECONDS")
        ->check(checks::seconds());
    app.add_option("--retry", *retry, "a connecting end retries a refusal for SECONDS (default 0)")
        ->type_name("SECONDS")
        ->check(checks::seconds());
    return [o, timeout, retry] {
        for (LinkOptions &end : o->ends) {
            end.timeout_s = *timeout;
            end.retry_s = *retry;
        }
        for (int i = 0; i < 2; ++i) parse_link_address(o->addresses[i], o->ends[i]);
        const auto serial = LinkOptions::Mode::serial;
        if (o->ends[0].mode == serial && o->ends[1].mode == serial && o->ends[0].serial_port == o->ends[1].serial_port)
            throw UsageError("the two ends of a bridge cannot be the same serial port");
        return run_bridge(*o);
    };
}

} // namespace kvnlink
