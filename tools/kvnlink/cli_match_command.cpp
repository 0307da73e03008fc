// cli_match_command.cpp - the options of `kvnlink match` and of its hidden worker, `kvnlink match-lane`.
#include <memory>

#include "cli_table.h"
#include "match_options.h"
#include "subcommands.h"

namespace kvnlink {

namespace {

// The options a lane takes too; `match` starts its lanes with them.
void add_game_options(CLI::App &app, MatchWords &w) {
    app.add_option("--engine", w.engines,
                   "an engine, given twice: NAME=ADDRESS, ADDRESS being cmd:COMMAND (run with {port}, {name}, "
                   "{seed} filled in) or a link address; a comma-separated list gives one per lane")
        ->type_name("NAME=ADDRESS")
        ->expected(1)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll)
        ->required();
    app.add_option("--time", w.time, "each engine's clock: MINUTES for the game or MINUTES/MOVES (default: none)")
        ->type_name("MINUTES/MOVES");
    app.add_option("--max-plies", w.options.max_plies, "adjudicate a draw after N plies (default: no limit)")
        ->type_name("N")
        ->check(CLI::Range(1, 100000));
    app.add_option("--timeout", w.options.timeout_s,
                   "how long an engine may take to come and to accept a game, in seconds (default 30)")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.1, 1e6));
}

Handler run_with(const std::shared_ptr<MatchWords> &w, int (*run)(const MatchOptions &)) {
    return [w, run] {
        std::string error;
        const auto options = finish_match_options(*w, error);
        if (!options) throw UsageError(error);
        return run(*options);
    };
}

} // namespace

Handler define_match(CLI::App &app) {
    auto w = std::make_shared<MatchWords>();
    add_game_options(app, *w);
    app.add_option("--games", w->options.games,
                   "games to play, in pairs: each opening twice, colours swapped (default 2)")
        ->type_name("N")
        ->check(CLI::Range(1, 1000000));
    app.add_option("--concurrency", w->options.concurrency,
                   "games played at once, each in a lane of its own (default 1)")
        ->type_name("K")
        ->check(CLI::Range(1, 64));
    app.add_option("--openings", w->options.openings_file, "start the games from the FEN lines of FILE")
        ->type_name("FILE");
    app.add_option("--random-openings", w->options.random_opening_plies,
                   "start the games from PLIES random moves, balanced")
        ->type_name("PLIES")
        ->check(CLI::Range(0, 40));
    auto seed = std::make_shared<std::uint64_t>(0);
    CLI::Option *seed_option =
        app.add_option("--seed", *seed, "the seed of the openings and the engines' {seed} (default: clock)")
            ->type_name("N");
    app.add_option("--pdn", w->options.pdn, "append every game to FILE in Portable Draughts Notation")
        ->type_name("FILE");
    app.add_flag("--json", w->options.json, "print one JSON object per event instead of readable lines");
    add_live_page_options(app, w->options.live);
    app.add_option("--sprt", w->sprt, "stop once the test decides: \"elo0=E0 elo1=E1 alpha=A beta=B\"")
        ->type_name("\"elo0=E0 elo1=E1 alpha=A beta=B\"");
    const Handler run = run_with(w, run_match);
    return [w, seed, seed_option, run] {
        if (seed_option->count() > 0) w->options.seed = *seed;
        return run();
    };
}

Handler define_match_lane(CLI::App &app) {
    auto w = std::make_shared<MatchWords>();
    add_game_options(app, *w);
    app.add_flag("--report-moves", w->options.report_moves, "report each game's start and every move as well");
    return run_with(w, run_match_lane);
}

} // namespace kvnlink
