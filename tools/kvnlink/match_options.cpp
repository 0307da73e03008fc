// match_options.cpp - reading and checking the options of `kvnlink match`.
#include "match_options.h"

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <map>

#include "engine_address.h"

namespace kvnlink {

namespace {

bool whole(const std::string &text, long long lo, long long hi, long long &out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 18) return false;
    out = std::atoll(text.c_str());
    return out >= lo && out <= hi;
}

bool decimal(const std::string &text, double lo, double hi, double &out) {
    char *end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && out >= lo && out <= hi;
}

// "elo0=0 elo1=5 alpha=0.05 beta=0.05", every part optional.
bool parse_sprt(const std::string &text, match::Sprt &sprt, std::string &error) {
    std::map<std::string, double *> fields = {
        {"elo0", &sprt.elo0}, {"elo1", &sprt.elo1}, {"alpha", &sprt.alpha}, {"beta", &sprt.beta}};
    for (const std::string &part : split_words(text)) {
        const size_t eq = part.find('=');
        const auto field = fields.find(part.substr(0, eq));
        double value = 0;
        if (eq == std::string::npos || field == fields.end() || !decimal(part.substr(eq + 1), -2000, 2000, value)) {
            error = "--sprt wants \"elo0=E0 elo1=E1 alpha=A beta=B\", not '" + part + "'";
            return false;
        }
        *field->second = value;
    }
    const bool rates = sprt.alpha > 0 && sprt.alpha < 0.5 && sprt.beta > 0 && sprt.beta < 0.5;
    if (!rates || sprt.elo1 <= sprt.elo0) {
        error = "--sprt wants elo0 < elo1 and alpha, beta between 0 and 0.5";
        return false;
    }
    return true;
}

// NAME=A or NAME=A,B,C (one address per lane).
bool parse_engine(const std::string &text, MatchEngine &engine, std::string &error) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos || eq == 0) {
        error = "--engine wants NAME=ADDRESS, not '" + text + "'";
        return false;
    }
    engine.name = text.substr(0, eq);
    const std::string rest = text.substr(eq + 1);
    // A command may hold commas of its own, so it is never split.
    std::vector<std::string> parts;
    if (rest.rfind("cmd:", 0) == 0) parts.push_back(rest);
    else
        for (size_t start = 0, comma; start <= rest.size(); start = comma + 1) {
            comma = rest.find(',', start);
            if (comma == std::string::npos) comma = rest.size();
            parts.push_back(rest.substr(start, comma - start));
        }
    for (const std::string &part : parts)
        if (!parse_engine_address(part, error)) return false;
    engine.addresses = parts;
    return true;
}

using Setter = std::function<bool(const std::string &, MatchOptions &, std::string &)>;

const std::map<std::string, Setter> &setters() {
    static const std::map<std::string, Setter> table = {
        {"--games",
         [](const std::string &v, MatchOptions &o, std::string &) {
             long long n = 0;
             return whole(v, 1, 1000000, n) && ((o.games = static_cast<int>(n)), true);
         }},
        {"--concurrency",
         [](const std::string &v, MatchOptions &o, std::string &) {
             long long n = 0;
             return whole(v, 1, 64, n) && ((o.concurrency = static_cast<int>(n)), true);
         }},
        {"--max-plies",
         [](const std::string &v, MatchOptions &o, std::string &) {
             long long n = 0;
             return whole(v, 1, 100000, n) && ((o.max_plies = static_cast<int>(n)), true);
         }},
        {"--random-openings",
         [](const std::string &v, MatchOptions &o, std::string &) {
             long long n = 0;
             return whole(v, 0, 40, n) && ((o.random_opening_plies = static_cast<int>(n)), true);
         }},
        {"--seed",
         [](const std::string &v, MatchOptions &o, std::string &) {
             errno = 0;
             const unsigned long long n = std::strtoull(v.c_str(), nullptr, 10);
             return v.find_first_not_of("0123456789") == std::string::npos && errno == 0 && ((o.seed = n), true);
         }},
        {"--timeout",
         [](const std::string &v, MatchOptions &o, std::string &) { return decimal(v, 0.1, 1e6, o.timeout_s); }},
        {"--openings",
         [](const std::string &v, MatchOptions &o, std::string &) { return (o.openings_file = v), true; }},
        {"--pdn", [](const std::string &v, MatchOptions &o, std::string &) { return (o.pdn = v), true; }},
        {"--time",
         [](const std::string &v, MatchOptions &o, std::string &error) {
             o.time_text = v;
             o.time = match::parse_time_control(v, error);
             if (!o.time) error = "--time: " + error;
             return o.time.has_value();
         }},
        {"--sprt",
         [](const std::string &v, MatchOptions &o, std::string &error) {
             match::Sprt sprt;
             return parse_sprt(v, sprt, error) && ((o.sprt = sprt), true);
         }},
    };
    return table;
}

bool check(const MatchOptions &o, int engines, std::string &error) {
    if (engines != 2) error = "match wants two engines: --engine NAME=ADDRESS twice";
    else if (o.engines[0].name == o.engines[1].name) error = "the two engines need different names";
    else if (!o.openings_file.empty() && o.random_opening_plies >= 0)
        error = "--openings and --random-openings exclude each other";
    for (const MatchEngine &e : o.engines) {
        const bool command = e.addresses.size() == 1 && e.addresses[0].rfind("cmd:", 0) == 0;
        if (error.empty() && !command && static_cast<int>(e.addresses.size()) != o.concurrency)
            error = "engine " + e.name + " needs one address per lane (" + std::to_string(o.concurrency) +
                    ", comma-separated), or a cmd: to start";
    }
    return error.empty();
}

} // namespace

std::optional<MatchOptions> parse_match_options(const std::vector<std::string> &args, std::string &error) {
    MatchOptions o;
    int engines = 0;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &a = args[i];
        if (a == "--json") {
            o.json = true;
            continue;
        }
        const auto setter = setters().find(a);
        if (a != "--engine" && setter == setters().end()) {
            error = "match: unknown option or word " + a;
            return std::nullopt;
        }
        if (i + 1 >= args.size()) {
            error = a + " needs a value";
            return std::nullopt;
        }
        const std::string &v = args[++i];
        if (a == "--engine") {
            if (engines == 2) error = "match wants two engines, not more";
            else if (parse_engine(v, o.engines[engines], error)) ++engines;
        } else if (!setter->second(v, o, error) && error.empty()) {
            error = a + ": bad value '" + v + "'";
        }
        if (!error.empty()) return std::nullopt;
    }
    if (!check(o, engines, error)) return std::nullopt;
    return o;
}

const std::string &lane_address(const MatchEngine &engine, int lane) {
    return engine.addresses[engine.addresses.size() == 1 ? 0 : static_cast<size_t>(lane)];
}

} // namespace kvnlink
