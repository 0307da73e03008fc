// link_address.cpp - reads the address words of bridge (and of any subcommand that opens several links).
#include "link_address.h"

#include <cstdlib>

namespace kvnlink {

namespace {

// A whole number 1..hi written in digits only.
bool small_number(const std::string &text, int hi, int &out) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::atoi(text.c_str());
    return out >= 1 && out <= hi;
}

} // namespace

bool parse_link_address(const std::string &address, LinkOptions &end) {
    const size_t colon = address.find(':');
    if (colon == std::string::npos) return false;
    const size_t last = address.rfind(':');
    const std::string kind = address.substr(0, colon);
    end.ipv6 = kind == "listen6" || kind == "connect6";
    if (kind == "listen" || kind == "listen6") {
        end.mode = LinkOptions::Mode::listen;
        return small_number(address.substr(colon + 1), 65535, end.port);
    }
    if (kind == "connect" || kind == "connect6") {
        end.mode = LinkOptions::Mode::connect;
        // The port follows the last colon, so an IPv6 address may hold colons of its own.
        end.host = address.substr(colon + 1, last - colon - 1);
        return last != colon && !end.host.empty() && small_number(address.substr(last + 1), 65535, end.port);
    }
    end.mode = LinkOptions::Mode::serial;
    return kind == "serial" && small_number(address.substr(colon + 1), 9, end.serial_port);
}

} // namespace kvnlink
