// match_options.cpp - reading and checking the options of `kvnlink match`.
#include "match_options.h"

#include <cstdlib>
#include <map>

#include "engine_address.h"

namespace kvnlink {

namespace {

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

std::optional<MatchOptions> finish_match_options(const MatchWords &words, std::string &error) {
    MatchOptions o = words.options;
    if (words.engines.size() > 2) error = "match wants two engines, not more";
    for (size_t i = 0; i < words.engines.size() && error.empty(); ++i)
        parse_engine(words.engines[i], o.engines[i], error);
    if (!words.time.empty() && error.empty()) {
        o.time_text = words.time;
        o.time = match::parse_time_control(words.time, error);
        if (!o.time) error = "--time: " + error;
    }
    if (!words.sprt.empty() && error.empty()) {
        match::Sprt sprt;
        if (parse_sprt(words.sprt, sprt, error)) o.sprt = sprt;
    }
    if (!error.empty() || !check(o, static_cast<int>(words.engines.size()), error)) return std::nullopt;
    return o;
}

const std::string &lane_address(const MatchEngine &engine, int lane) {
    return engine.addresses[engine.addresses.size() == 1 ? 0 : static_cast<size_t>(lane)];
}

} // namespace kvnlink
