// command.cpp - cuts a typed line into its command word and fields; the commands themselves are in command_table.cpp.
#include "command.h"

namespace kvnlink {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t'; }

std::string trim(const std::string &s) {
    size_t begin = 0, end = s.size();
    while (begin < end && is_space(s[begin])) ++begin;
    while (end > begin && is_space(s[end - 1])) --end;
    return s.substr(begin, end - begin);
}

// Splits at spaces, a double-quoted field being one word; false when a quote is left open.
bool split_fields(const std::string &rest, bool open_quote_allowed, std::vector<std::string> &words) {
    for (size_t i = 0; i < rest.size();) {
        if (is_space(rest[i])) {
            ++i;
        } else if (rest[i] == '"') {
            const size_t close = rest.find('"', i + 1);
            if (close == std::string::npos && !open_quote_allowed) return false;
            words.push_back(rest.substr(i + 1, close - i - 1));
            i = close == std::string::npos ? rest.size() : close + 1;
        } else {
            size_t stop = i;
            while (stop < rest.size() && !is_space(rest[stop])) ++stop;
            words.push_back(rest.substr(i, stop - i));
            i = stop;
        }
    }
    return true;
}

} // namespace

Command parse_line(const std::string &line) {
    size_t begin = 0;
    while (begin < line.size() && is_space(line[begin])) ++begin;
    if (begin == line.size() || line[begin] == '#') return {};
    size_t end = begin;
    while (end < line.size() && !is_space(line[end])) ++end;
    const std::string word = line.substr(begin, end - begin);
    const std::string rest = trim(line.substr(end));
    // Chat and raw texts keep their trailing spaces: they are part of the message.
    while (end < line.size() && is_space(line[end])) ++end;
    const bool whole = takes_rest_of_line(word);

    std::vector<std::string> words;
    if (!split_fields(rest, whole, words)) {
        Command c;
        c.kind = Command::Kind::error;
        c.error = word + ": a quote is not closed";
        return c;
    }
    return build_command(word, words, whole ? line.substr(end) : rest);
}

Command parse_words(const std::vector<std::string> &words) {
    if (words.empty()) return {};
    const std::vector<std::string> args(words.begin() + 1, words.end());
    std::string rest;
    for (const auto &w : args) rest += (rest.empty() ? "" : " ") + w;
    return build_command(words[0], args, rest);
}

} // namespace kvnlink
