// live_options.h - where the live page is served (--http PORT, --http-host HOST).
#pragma once

#include <string>

namespace kvnlink {

struct LiveOptions {
    int port = 0; // 0: no live page
    std::string host = "127.0.0.1";
};

} // namespace kvnlink
