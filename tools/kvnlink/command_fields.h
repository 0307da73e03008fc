// command_fields.h - checks the fields of one typed command, keeping the first complaint.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace kvnlink {

// Every check after the first failed one is skipped, so that the user sees one reason per line.
class Fields {
public:
    Fields(const std::string &command, const std::vector<std::string> &args) : command_(command), args_(args) {}

    bool ok() const { return error_.empty(); }
    const std::string &error() const { return error_; }
    void fail(const std::string &what) {
        if (ok()) error_ = command_ + ": " + what;
    }

    bool count(size_t lo, size_t hi, const std::string &usage) {
        if (args_.size() < lo || args_.size() > hi) fail("expected " + usage);
        return ok();
    }

    int16_t number(const std::string &token, const char *what, int lo, int hi) {
        if (!ok()) return 0;
        long value = 0;
        bool digits = !token.empty() && token.size() <= 5;
        for (char c : token) {
            digits = digits && c >= '0' && c <= '9';
            value = value * 10 + (c - '0');
        }
        if (!digits || value < lo || value > hi) {
            fail(std::string(what) + " must be a number " + std::to_string(lo) + "-" + std::to_string(hi) + ", not '" +
                 token + "'");
            return 0;
        }
        return static_cast<int16_t>(value);
    }

    char side(const std::string &token, const char *what) {
        if (token == "W" || token == "w") return 'W';
        if (token == "Z" || token == "z") return 'Z';
        fail(std::string(what) + " must be W or Z, not '" + token + "'");
        return 'W';
    }

    template <size_t N>
    void name(const std::string &token, char (&field)[N]) {
        if (token.empty() || token[0] == ' ' || token.size() > N - 1) {
            fail("the name must have 1-" + std::to_string(N - 1) + " characters and not start with a space");
            return;
        }
        std::memcpy(field, token.data(), token.size());
    }

private:
    std::string command_;
    const std::vector<std::string> &args_;
    std::string error_;
};

} // namespace kvnlink
