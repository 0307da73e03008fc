// engine_address.cpp - reading an engine's address from the command line.
#include "engine_address.h"

#include "link_address.h"

namespace kvnlink {

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
    if (!parse_link_address(text, link)) {
        error = std::string("an engine address is cmd:COMMAND, ") + link_address_forms + ", not '" + text + "'";
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
