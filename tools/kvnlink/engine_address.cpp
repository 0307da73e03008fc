// engine_address.cpp - reading an engine's address from the command line.
#include "engine_address.h"

#include <cstdlib>

namespace kvnlink {

namespace {

bool whole_number(const std::string &text, int lo, int hi, int &out) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::atoi(text.c_str());
    return out >= lo && out <= hi;
}

// The link forms, as `bridge` takes them.
bool parse_link(const std::string &text, LinkOptions &link) {
    const size_t colon = text.find(':');
    const size_t last = text.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string kind = text.substr(0, colon);
    link.ipv6 = kind == "listen6" || kind == "connect6";
    if (kind == "listen" || kind == "listen6") {
        link.mode = LinkOptions::Mode::listen;
        return whole_number(text.substr(colon + 1), 1, 65535, link.port);
    }
    if (kind == "connect" || kind == "connect6") {
        link.mode = LinkOptions::Mode::connect;
        link.host = text.substr(colon + 1, last - colon - 1);
        return last != colon && !link.host.empty() && whole_number(text.substr(last + 1), 1, 65535, link.port);
    }
    if (kind == "serial") {
        link.mode = LinkOptions::Mode::serial;
        return whole_number(text.substr(colon + 1), 1, 9, link.serial_port);
    }
    return false;
}

} // namespace

std::optional<EngineAddress> parse_engine_address(const std::string &text, std::string &error) {
    EngineAddress address;
    address.text = text;
    if (text.rfind("cmd:", 0) == 0) {
        address.command = split_words(text.substr(4));
        if (address.command.empty()) {
            error = "cmd: wants a command, e.g. cmd:\"my-engine --port {port}\"";
            return std::nullopt;
        }
        if (text.find("{port}") == std::string::npos) {
            error = "the command of '" + text + "' must say where to connect: {port}";
            return std::nullopt;
        }
        return address;
    }
    LinkOptions link;
    if (!parse_link(text, link)) {
        error = "an engine address is cmd:COMMAND, listen:PORT, listen6:PORT, connect:HOST:PORT, "
                "connect6:HOST:PORT or serial:N, not '" +
                text + "'";
        return std::nullopt;
    }
    address.link = link;
    return address;
}

std::vector<std::string> split_words(const std::string &text) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

std::string fill_in(std::string word, const std::vector<std::pair<std::string, std::string>> &values) {
    for (const auto &[key, value] : values) {
        const std::string marker = "{" + key + "}";
        for (size_t at = word.find(marker); at != std::string::npos; at = word.find(marker, at + value.size()))
            word.replace(at, marker.size(), value);
    }
    return word;
}

} // namespace kvnlink
