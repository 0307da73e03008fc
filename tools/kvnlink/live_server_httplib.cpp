// live_server_httplib.cpp - the live page served by cpp-httplib, from a thread of its own.
//
// Each viewer of /events holds one of the server's worker threads, which waits on the
// state's condition variable and copies out one text per version: the game threads never
// wait for a viewer.  A viewer that stops reading is dropped by the write time-out.
#include <httplib.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

#include "live_page.h"
#include "live_server.h"

namespace kvnlink {

namespace {

using namespace std::chrono_literals;

constexpr auto keep_alive_every = 15s; // a comment line, so that a dead connection is noticed
constexpr int write_timeout_s = 2;     // a viewer that takes no bytes for this long is dropped
// Each event is the whole state, so a viewer loses nothing when moves that come faster than
// this are sent together: a fast match costs each viewer ten serialised states a second at most.
constexpr auto least_gap = 100ms;
// Every viewer holds a thread; the rest serve the page and /state.json.
constexpr size_t worker_threads = live_viewers_max + 8;

// One viewer's stream: the first event is the whole state, so a viewer that connects again is in step at once.
class EventStream {
public:
    explicit EventStream(const LiveState &state) : state_(state) {}

    bool next(httplib::DataSink &sink) {
        if (!first_ && !state_.wait_newer(seen_, keep_alive_every)) {
            if (state_.closed()) return sink.done(), true;
            static const std::string ping = ": still here\n\n";
            return sink.write(ping.data(), ping.size());
        }
        if (!first_) std::this_thread::sleep_until(sent_ + least_gap);
        const std::string event =
            std::string(first_ ? "retry: 1000\n" : "") + "data: " + state_.snapshot(seen_) + "\n\n";
        first_ = false;
        sent_ = std::chrono::steady_clock::now();
        return sink.write(event.data(), event.size());
    }

private:
    const LiveState &state_;
    std::uint64_t seen_ = 0;
    bool first_ = true;
    std::chrono::steady_clock::time_point sent_;
};

class HttplibServer : public LiveServer {
public:
    explicit HttplibServer(LiveState &state) : state_(state) {}
    ~HttplibServer() override {
        state_.close(); // the viewers' waits end, and with them their streams
        server_.stop();
        if (thread_.joinable()) thread_.join();
    }
    HttplibServer(const HttplibServer &) = delete;
    HttplibServer &operator=(const HttplibServer &) = delete;

    bool start(const LiveOptions &o, std::string &error);
    std::string url() const override { return url_; }

private:
    void route();
    void events(httplib::Response &res);

    LiveState &state_;
    httplib::Server server_;
    std::thread thread_;
    std::atomic<int> viewers_{0};
    std::string url_;
};

void HttplibServer::route() {
    server_.Get("/", [](const httplib::Request &, httplib::Response &res) {
        res.set_header("Cache-Control", "no-store");
        res.set_content(live_page_html(), "text/html; charset=utf-8");
    });
    server_.Get("/state.json", [this](const httplib::Request &, httplib::Response &res) {
        std::uint64_t version = 0;
        res.set_header("Cache-Control", "no-store");
        res.set_content(state_.snapshot(version), "application/json");
    });
    server_.Get("/events", [this](const httplib::Request &, httplib::Response &res) { events(res); });
    // Nothing on the page can be changed: every other method is refused.
    const auto refuse = [](const httplib::Request &, httplib::Response &res) {
        res.status = 405;
        res.set_header("Allow", "GET, HEAD");
        res.set_content("only GET\n", "text/plain");
    };
    server_.Post(".*", refuse).Put(".*", refuse).Patch(".*", refuse).Delete(".*", refuse).Options(".*", refuse);
}

void HttplibServer::events(httplib::Response &res) {
    if (viewers_.fetch_add(1) >= live_viewers_max) {
        viewers_.fetch_sub(1);
        res.status = 503;
        res.set_content("too many viewers\n", "text/plain");
        return;
    }
    auto stream = std::make_shared<EventStream>(state_);
    res.set_header("Cache-Control", "no-store");
    res.set_chunked_content_provider(
        "text/event-stream", [stream](size_t, httplib::DataSink &sink) { return stream->next(sink); },
        [this](bool) { viewers_.fetch_sub(1); });
}

bool HttplibServer::start(const LiveOptions &o, std::string &error) {
    route();
    server_.new_task_queue = [] { return new httplib::ThreadPool(worker_threads); };
    server_.set_write_timeout(write_timeout_s, 0);
    // SO_REUSEADDR alone: a restarted kvnlink gets its port back at once, while a port that
    // another program listens on stays refused (httplib would also share it, SO_REUSEPORT).
    server_.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    errno = 0;
    if (!server_.bind_to_port(o.host, o.port)) {
        const int code = errno;
        error = "cannot serve the live page on " + o.host + " port " + std::to_string(o.port) + ": " +
                (code == EADDRINUSE ? std::string("the port is in use")
                 : code == EACCES   ? std::string(std::strerror(code))
                                    : o.host + " is no address of this machine");
        return false;
    }
    const bool v6 = o.host.find(':') != std::string::npos;
    url_ = "http://" + (v6 ? "[" + o.host + "]" : o.host) + ":" + std::to_string(o.port) + "/";
    thread_ = std::thread([this] { server_.listen_after_bind(); });
    return true;
}

} // namespace

std::unique_ptr<LiveServer> start_live_server(const LiveOptions &options, LiveState &state, std::string &error) {
    auto server = std::make_unique<HttplibServer>(state);
    if (!server->start(options, error)) return nullptr;
    return server;
}

} // namespace kvnlink
