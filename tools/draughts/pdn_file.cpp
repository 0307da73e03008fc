// pdn_file.cpp - splitting PDN text into games: tags, main-line moves, comments, results.
#include "draughts/pdn_file.h"

namespace draughts {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }
bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool ends_token(char c) { return is_space(c) || c == '{' || c == '[' || c == '(' || c == ')' || c == ';' || c == '$'; }

class FileReader {
public:
    explicit FileReader(std::string_view text) : text_(text) {}

    bool run(std::vector<PdnRecord> &games, std::string &error) {
        for (skip_space(); pos_ < text_.size(); skip_space()) {
            if (!next_item(games)) {
                error = "line " + std::to_string(error_line_) + ": " + error_;
                return false;
            }
        }
        if (!current_.tags.empty() || !current_.movetext.empty()) games.push_back(std::move(current_));
        return true;
    }

private:
    bool next_item(std::vector<PdnRecord> &games) {
        const char c = text_[pos_];
        if (c != '[' && current_.line == 0) current_.line = line_;
        switch (c) {
        case '[': return read_tag(games);
        case '{': return read_comment();
        case '(': return skip_variation();
        case ';': return skip_to_line_end();
        case '$': return skip_nag();
        default: read_token(games); return true;
        }
    }

    void advance() {
        if (text_[pos_] == '\n') ++line_;
        ++pos_;
    }
    void skip_space() {
        while (pos_ < text_.size() && is_space(text_[pos_])) advance();
    }
    bool fail(int line, const std::string &why) {
        error_line_ = line;
        error_ = why;
        return false;
    }
    bool skip_to_line_end() {
        while (pos_ < text_.size() && text_[pos_] != '\n') advance();
        return true;
    }
    bool skip_nag() {
        for (advance(); pos_ < text_.size() && is_digit(text_[pos_]);) advance();
        return true;
    }

    // Up to the closing `close`, newlines counted; false when the text ends first.
    bool take_until(char close, std::string &taken) {
        for (advance(); pos_ < text_.size(); advance()) {
            if (text_[pos_] == close) {
                advance();
                return true;
            }
            taken += text_[pos_];
        }
        return false;
    }

    bool read_comment() {
        const int line = line_;
        std::string comment;
        if (!take_until('}', comment)) return fail(line, "a comment is not closed");
        current_.movetext.push_back(PdnItem{PdnItem::Kind::comment, comment, line});
        return true;
    }

    // A variation, with the variations and comments inside it, is skipped whole.
    bool skip_variation() {
        const int line = line_;
        int depth = 0;
        for (; pos_ < text_.size(); advance()) {
            const char c = text_[pos_];
            if (c == '{') {
                std::string ignored;
                if (!take_until('}', ignored)) return fail(line, "a comment in a variation is not closed");
                --pos_; // the loop's advance steps over the closing brace again
            } else if (c == '(') ++depth;
            else if (c == ')' && --depth == 0) {
                advance();
                return true;
            }
        }
        return fail(line, "a variation is not closed");
    }

    bool read_tag(std::vector<PdnRecord> &games);
    void read_token(std::vector<PdnRecord> &games);

    std::string_view text_;
    size_t pos_ = 0;
    int line_ = 1;
    PdnRecord current_;
    std::string error_;
    int error_line_ = 0;
};

// [Name "value"], the value's \" and \\ unescaped.  Tags after moves start the next game.
bool FileReader::read_tag(std::vector<PdnRecord> &games) {
    if (!current_.movetext.empty()) {
        games.push_back(std::move(current_));
        current_ = PdnRecord{};
    }
    if (current_.line == 0) current_.line = line_;
    const int line = line_;
    std::string name, value;
    advance();
    while (pos_ < text_.size() && !is_space(text_[pos_]) && text_[pos_] != '"' && text_[pos_] != ']') {
        name += text_[pos_];
        advance();
    }
    skip_space();
    if (pos_ >= text_.size() || text_[pos_] != '"' || name.empty()) return fail(line, "a tag has no name or value");
    for (advance(); pos_ < text_.size() && text_[pos_] != '"'; advance()) {
        if (text_[pos_] == '\\' && pos_ + 1 < text_.size()) advance();
        value += text_[pos_];
    }
    if (pos_ < text_.size()) advance();
    skip_space();
    if (pos_ >= text_.size() || text_[pos_] != ']') return fail(line, "tag " + name + " is not closed");
    advance();
    current_.tags.emplace_back(name, value);
    return true;
}

// A move, possibly after its number ("12.", "12...") and before NAGs ("!?"), or a result.
void FileReader::read_token(std::vector<PdnRecord> &games) {
    const int line = line_;
    const size_t start = pos_;
    while (pos_ < text_.size() && !ends_token(text_[pos_])) advance();
    if (pos_ == start) { // a stray ')' or the like
        advance();
        return;
    }
    std::string_view token = text_.substr(start, pos_ - start);
    if (!normal_result(token).empty()) {
        current_.result = std::string(token);
        games.push_back(std::move(current_));
        current_ = PdnRecord{};
        return;
    }
    size_t digits = 0;
    while (digits < token.size() && is_digit(token[digits])) ++digits;
    if (digits > 0 && digits < token.size() && token[digits] == '.') {
        token.remove_prefix(digits);
        while (!token.empty() && token.front() == '.') token.remove_prefix(1);
    }
    while (!token.empty() && (token.back() == '!' || token.back() == '?')) token.remove_suffix(1);
    if (!token.empty()) current_.movetext.push_back(PdnItem{PdnItem::Kind::move, std::string(token), line});
}

} // namespace

std::string PdnRecord::tag(const std::string &name) const {
    for (const auto &[key, value] : tags)
        if (key == name) return value;
    return {};
}

std::vector<PdnRecord> read_pdn_file(std::string_view text, std::string &error) {
    std::vector<PdnRecord> games;
    if (!FileReader(text).run(games, error)) return {};
    return games;
}

std::string normal_result(std::string_view token) {
    if (token == "2-0" || token == "1-0") return "2-0";
    if (token == "0-2" || token == "0-1") return "0-2";
    if (token == "1-1" || token == "1/2-1/2") return "1-1";
    if (token == "*" || token == "0-0") return std::string(token);
    return {};
}

} // namespace draughts
