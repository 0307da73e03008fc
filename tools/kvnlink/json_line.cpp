// json_line.cpp - dumping kvnlink's JSON objects and turning record bytes into JSON strings.
#include "json_line.h"

namespace kvnlink {

std::string json_line(const Json &object) {
    // ensure_ascii: any byte a user typed is escaped; replace: a byte that is no UTF-8 cannot stop the output.
    return object.dump(-1, ' ', true, nlohmann::json::error_handler_t::replace);
}

Json record_text(const std::string &bytes) {
    std::string utf8;
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            utf8 += c;
        } else {
            utf8 += static_cast<char>(0xC0 | (byte >> 6));
            utf8 += static_cast<char>(0x80 | (byte & 0x3F));
        }
    }
    return utf8;
}

Json record_char(char value) { return record_text(value == '\0' ? std::string() : std::string(1, value)); }

} // namespace kvnlink
