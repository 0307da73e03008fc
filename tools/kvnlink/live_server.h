// live_server.h - the live page's HTTP server: GET /, /state.json and /events (server-sent
// events) from a LiveState.  Built on cpp-httplib where kvnlink was built with it
// (live_server_httplib.cpp), else a stand-in that refuses (live_server_none.cpp).
#pragma once

#include <memory>
#include <string>

#include "live_options.h"
#include "live_state.h"

namespace kvnlink {

class LiveServer {
public:
    virtual ~LiveServer() = default;
    // The page's address, e.g. http://127.0.0.1:8080/.
    virtual std::string url() const = 0;
};

// Viewers of /events at once; one more is answered 503.
inline constexpr int live_viewers_max = 32;

// Serves `state` (which must outlive the server) until the server is destroyed, or gives
// null with the reason in `error`: a port in use, a host that is no local address, a
// build without the server.
std::unique_ptr<LiveServer> start_live_server(const LiveOptions &options, LiveState &state, std::string &error);

// A subcommand's page: its state and the server that shows it.
struct LivePage {
    LivePage(const std::string &kind, const std::string &title) : state(kind, title) {}
    LiveState state;
    std::unique_ptr<LiveServer> server; // declared after the state, so it ends first
};

// The page `options` ask for, serving; null with `error` empty when none was asked for,
// and null with the reason in `error` when it cannot be served.
inline std::unique_ptr<LivePage> open_live_page(const LiveOptions &options, const std::string &kind,
                                                const std::string &title, std::string &error) {
    if (options.port <= 0) return nullptr;
    auto page = std::make_unique<LivePage>(kind, title);
    page->server = start_live_server(options, page->state, error);
    return page->server ? std::move(page) : nullptr;
}

} // namespace kvnlink
