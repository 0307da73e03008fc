// live_server_none.cpp - the live page in a build without cpp-httplib (Windows, or the package missing).
#include "live_server.h"

namespace kvnlink {

std::unique_ptr<LiveServer> start_live_server(const LiveOptions &, LiveState &, std::string &error) {
    error = "the live page (--http) is not available in this build of kvnlink";
    return nullptr;
}

} // namespace kvnlink
