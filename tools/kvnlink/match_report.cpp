// match_report.cpp - the match's output lines.
#include "match_report.h"

#include <nlohmann/json.hpp>

#include <cstdio>

#include "match/summary.h"

namespace kvnlink {

namespace {

void line(const std::string &text) {
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void object(const nlohmann::json &j) { line(j.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace)); }

std::string points(int half_points) { return std::to_string(half_points / 2) + (half_points % 2 != 0 ? ".5" : ".0"); }

std::string padded(std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text;
}

} // namespace

std::string MatchReport::standing(const match::Tally &t) const {
    const match::Sprt *test = options_.sprt ? &*options_.sprt : nullptr;
    return match::summary_line(t, match::Model::pentanomial, test);
}

std::string MatchReport::closing(const match::Tally &t) const {
    const match::Sprt *test = options_.sprt ? &*options_.sprt : nullptr;
    return match::closing_line(options_.engines[0].name, options_.engines[1].name, t, match::Model::pentanomial, test);
}

void MatchReport::started(int games, int lanes, std::uint64_t seed, int openings) const {
    const std::string &a = options_.engines[0].name, &b = options_.engines[1].name;
    if (options_.json)
        return object({{"kind", "match_start"},
                       {"first", a},
                       {"second", b},
                       {"games", games},
                       {"lanes", lanes},
                       {"seed", seed},
                       {"openings", openings}});
    line("match " + a + " vs " + b + ": " + std::to_string(games) + " games, " + std::to_string(lanes) + " lane(s), " +
         std::to_string(openings) + " opening(s), seed " + std::to_string(seed));
}

void MatchReport::game(const FinishedGame &g, const match::Tally &t) const {
    const std::string of = std::to_string(g.number + 1) + "/" + std::to_string(options_.games);
    const std::string score =
        "+" + std::to_string(t.wins) + " =" + std::to_string(t.draws) + " -" + std::to_string(t.losses);
    if (options_.json) {
        object({{"kind", "game"},
                {"game", g.number + 1},
                {"games", options_.games},
                {"white", g.white},
                {"black", g.black},
                {"result", g.result},
                {"ending", g.ending},
                {"plies", g.plies},
                {"white_ms", g.white_ms},
                {"black_ms", g.black_ms}});
        return object({{"kind", "score"},
                       {"wins", t.wins},
                       {"draws", t.draws},
                       {"losses", t.losses},
                       {"pairs", t.pairs},
                       {"summary", standing(t)}});
    }
    line("game " + of + ": " + g.white + "-" + g.black + " " + g.result + " (" + g.ending + "), " +
         std::to_string(g.plies) + " plies");
    line("score " + options_.engines[0].name + ": " + score + " in " + std::to_string(t.games()) + " games, " +
         standing(t));
}

void MatchReport::decided(match::Decision decision, int games_counted) const {
    const std::string text = std::string("SPRT: ") + match::decision_text(decision) + " after " +
                             std::to_string(games_counted) + " games; the games in flight are finished and counted";
    if (options_.json) return object({{"kind", "sprt"}, {"decision", match::decision_text(decision)}, {"text", text}});
    line(text);
}

void MatchReport::live(const std::string &url) const {
    if (options_.json) return object({{"kind", "live"}, {"url", url}});
    line("-- the live page is at " + url);
}

void MatchReport::error(const std::string &text) const {
    if (options_.json) return object({{"kind", "error"}, {"text", text}});
    line("!! " + text);
}

void MatchReport::interrupted() const {
    const std::string text = "interrupted: the games in progress are finished and counted, no new game starts "
                             "(Ctrl-C again ends kvnlink at once)";
    if (options_.json) return object({{"kind", "interrupted"}, {"text", text}});
    line("-- " + text);
}

void MatchReport::results(const match::Tally &t, int games_wanted) const {
    const std::string &a = options_.engines[0].name, &b = options_.engines[1].name;
    std::string test = "no test";
    if (options_.sprt) {
        const double llr = options_.sprt->llr(t.by_pairs());
        test = match::decision_text(options_.sprt->decide(llr));
    }
    if (options_.json)
        return object({{"kind", "results"},
                       {"games", t.games()},
                       {"games_wanted", games_wanted},
                       {"first", {{"name", a}, {"wins", t.wins}, {"draws", t.draws}, {"losses", t.losses}}},
                       {"second", {{"name", b}, {"wins", t.losses}, {"draws", t.draws}, {"losses", t.wins}}},
                       {"pairs", t.pairs},
                       {"summary", standing(t)},
                       {"sprt", test},
                       {"line", closing(t)}});
    const size_t width = std::max<size_t>(8, std::max(a.size(), b.size()) + 2);
    line("results after " + std::to_string(t.games()) + " of " + std::to_string(games_wanted) + " games:");
    line(padded("engine", width) + "    W    D    L  points");
    const auto row = [&](const std::string &name, int w, int d, int l) {
        char numbers[64];
        std::snprintf(numbers, sizeof numbers, "%5d%5d%5d  ", w, d, l);
        line(padded(name, width) + numbers + points(2 * w + d));
    };
    row(a, t.wins, t.draws, t.losses);
    row(b, t.losses, t.draws, t.wins);
    line(a + " vs " + b + " (pairs " + std::to_string(t.pairs[0]) + "-" + std::to_string(t.pairs[1]) + "-" +
         std::to_string(t.pairs[2]) + "-" + std::to_string(t.pairs[3]) + "-" + std::to_string(t.pairs[4]) +
         "): " + standing(t));
    line("SPRT: " + test);
    line(closing(t));
}

} // namespace kvnlink
