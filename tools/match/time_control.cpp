// time_control.cpp - reading "MINUTES/MOVES" by hand, so that no locale decides what a decimal point is.
#include "match/time_control.h"

namespace match {

namespace {

constexpr long long ms_per_minute = 60000;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Whole digits only, at most `max_digits` of them.
std::optional<long long> digits_value(std::string_view text, std::size_t max_digits) {
    if (text.empty() || text.size() > max_digits) return std::nullopt;
    long long value = 0;
    for (char c : text) {
        if (!is_digit(c)) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// "5", "0.5", ".5": milliseconds, rounded to the nearest.
std::optional<long long> minutes_in_ms(std::string_view text) {
    const auto point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view{} : text.substr(point + 1);
    if (whole.empty() && fraction.empty()) return std::nullopt;
    const auto whole_value = whole.empty() ? std::optional<long long>(0) : digits_value(whole, 6);
    const auto fraction_value = fraction.empty() ? std::optional<long long>(0) : digits_value(fraction, 6);
    if (!whole_value || !fraction_value) return std::nullopt;
    long long scale = 1;
    for (std::size_t i = 0; i < fraction.size(); ++i) scale *= 10;
    return *whole_value * ms_per_minute + (*fraction_value * ms_per_minute + scale / 2) / scale;
}

} // namespace

std::optional<TimeControl> parse_time_control(std::string_view text, std::string &error) {
    const std::string quoted = "time control \"" + std::string(text) + "\": ";
    const auto slash = text.find('/');
    const std::string_view minutes = text.substr(0, slash);
    const auto ms = minutes_in_ms(minutes);
    if (!ms) {
        error = quoted + "\"" + std::string(minutes) + "\" is not a number of minutes (use MINUTES or MINUTES/MOVES)";
        return std::nullopt;
    }
    if (*ms <= 0) {
        error = quoted + "the time must be more than 0 minutes";
        return std::nullopt;
    }
    TimeControl control{std::chrono::milliseconds(*ms), 0};
    if (slash == std::string_view::npos) return control;
    const std::string_view moves = text.substr(slash + 1);
    const auto count = digits_value(moves, 4);
    if (!count || *count == 0) {
        error = quoted + "\"" + std::string(moves) + "\" is not a number of moves from 1 to 9999";
        return std::nullopt;
    }
    control.moves = static_cast<int>(*count);
    return control;
}

} // namespace match
