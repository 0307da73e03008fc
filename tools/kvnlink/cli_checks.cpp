// cli_checks.cpp - each validator says what it wants and what it got, in kvnlink's own words.
#include "cli_checks.h"

#include <cerrno>
#include <cstdlib>

#include "command.h"
#include "end_codes.h"
#include "link_address.h"
#include "link_options.h"

namespace kvnlink::checks {

namespace {

bool in_range(const std::string &text, double lo, double hi, bool whole) {
    char *end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && value >= lo && value <= hi && (!whole || value == static_cast<int>(value));
}

// A validator whose check answers with the complaint, or "" when the value passes.
CLI::Validator wants(std::function<bool(const std::string &)> ok, std::string what) {
    return CLI::Validator(
        [ok = std::move(ok), what = std::move(what)](std::string &value) {
            return ok(value) ? std::string() : "wants " + what + ", not '" + value + "'";
        },
        "");
}

} // namespace

CLI::Validator port_number() {
    return wants([](const std::string &v) { return in_range(v, 1, 65535, true); }, "a port number 1-65535");
}

CLI::Validator seconds() {
    return wants([](const std::string &v) { return in_range(v, 0, 1e6, false); }, "a number of seconds");
}

CLI::Validator seed() {
    return wants(
        [](const std::string &v) {
            if (v.empty() || v.size() > 20 || v.find_first_not_of("0123456789") != std::string::npos) return false;
            errno = 0;
            std::strtoull(v.c_str(), nullptr, 10);
            return errno != ERANGE;
        },
        "a whole number 0-18446744073709551615");
}

CLI::Validator serial_port() {
    return wants([](const std::string &v) { return in_range(v, 1, 9, true); }, "a port number 1-9 (COM1..COM9)");
}

CLI::Validator request() {
    return CLI::Validator(
        [](std::string &value) {
            const Command c = parse_line("request " + value);
            return c.kind == Command::Kind::send ? std::string() : "wants \"NAME COLOUR TIME MOVES\": " + c.error;
        },
        "");
}

CLI::Validator link_address() {
    return wants(
        [](const std::string &v) {
            LinkOptions end;
            return parse_link_address(v, end);
        },
        std::string("one of ") + link_address_forms);
}

CLI::Validator perft_depth() {
    return wants([](const std::string &v) { return in_range(v, 0, max_perft_depth, true); },
                 "a whole number 0-" + std::to_string(max_perft_depth));
}

CLI::Validator end_codes() {
    return CLI::Validator(
        [](std::string &value) {
            std::string why;
            return parse_end_codes(value, why) ? std::string() : "wants REASON=MEANING,...: " + why;
        },
        "");
}

} // namespace kvnlink::checks
