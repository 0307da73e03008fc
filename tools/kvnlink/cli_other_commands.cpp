// cli_other_commands.cpp - the options of the subcommands that open no link of their own choosing: demo, decode, encode, perft, pdn, help.
#include <memory>

#include "cli_checks.h"
#include "cli_table.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

// The demo's game: a seed whose game is short, so that `make demo` takes seconds.
constexpr std::uint64_t demo_seed = 794;

} // namespace

Handler define_demo(CLI::App &app) {
    auto o = std::make_shared<DemoOptions>();
    o->seed = demo_seed;
    app.add_option("--port", o->port, "the loopback port, 1-65535 (default 27531)")
        ->type_name("N")
        ->check(checks::port_number());
    app.add_option("--seed", o->seed, "the seed of slot 0's choices; slot 1 uses N+1 (default 794)")
        ->type_name("N")
        ->check(checks::seed());
    app.add_option("--pdn", o->pdn, "append the game to FILE (default: kvnlink-demo.pdn in the temporary directory)")
        ->type_name("FILE");
    app.add_flag("--json", o->json, "print one JSON object per line instead of readable lines");
    return [o] { return run_demo(*o); };
}

Handler define_decode(CLI::App &app) {
    auto text = std::make_shared<std::string>();
    auto json = std::make_shared<bool>(false);
    app.add_option("WIRETEXT", *text, "the wire text (quote it)")->required();
    app.add_flag("--json", *json, "print the fields and the wire text as one JSON object");
    return [text, json] { return run_decode(*text, *json); };
}

Handler define_encode(CLI::App &app) {
    auto words = std::make_shared<std::vector<std::string>>();
    auto json = std::make_shared<bool>(false);
    app.add_option("WORDS", *words, "KIND FIELDS...: a command as typed once linked, e.g. move 30 28x19 23")
        ->required();
    app.add_flag("--json", *json, "print the fields and the wire text as one JSON object");
    return [words, json] { return run_encode(*words, *json); };
}

Handler define_perft(CLI::App &app) {
    auto o = std::make_shared<PerftOptions>();
    app.add_option("DEPTH", o->depth, "plies to look ahead, 0-20")->required()->check(checks::perft_depth());
    app.add_option("--fen", o->fen, "count from this position instead of the start, e.g. W:W31-50:B1-20")
        ->type_name("FEN");
    app.add_flag("--divide", o->divide, "give the count under each first move");
    return [o] { return run_perft(*o); };
}

Handler define_pdn(CLI::App &app) {
    auto o = std::make_shared<PdnOptions>();
    app.add_option("FILE", o->file, "the PDN file, of one game or many")->required();
    app.add_flag("--json", o->json, "print one JSON object per game instead of readable lines");
    return [o] { return run_pdn(*o); };
}

Handler define_board(CLI::App &app) {
    auto o = std::make_shared<BoardOptions>();
    auto *fen = app.add_option("--fen", o->fen, "the position, e.g. W:W31-50:B1-20")->type_name("FEN");
    auto *pdn = app.add_option("--pdn", o->pdn, "a position of a game in this PDN file")->type_name("FILE");
    fen->excludes(pdn);
    app.add_option("--game", o->game, "with --pdn: the game, 1 for the first (default 1)")
        ->type_name("N")
        ->check(CLI::PositiveNumber)
        ->needs(pdn);
    app.add_option("--ply", o->ply, "with --pdn: after this many plies, 0 for the start (default: all)")
        ->type_name("P")
        ->check(CLI::NonNegativeNumber)
        ->needs(pdn);
    app.add_option("--svg", o->svg, "write an SVG diagram to FILE instead of drawing the board as text")
        ->type_name("FILE");
    app.add_flag("--numbers", o->numbers, "with --svg: each dark square's number");
    app.add_flag("--black-below", o->black_below, "with --svg: the board turned round, as Black sees it");
    app.callback([fen, pdn] {
        if (fen->count() == 0 && pdn->count() == 0) throw CLI::ValidationError("one of --fen and --pdn is required");
    });
    return [o] { return run_board(*o); };
}

} // namespace kvnlink
