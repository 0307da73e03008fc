// lane_engine.cpp - linking an engine for a lane, starting its program when the lane runs it.
#include "lane_engine.h"

#include <atomic>
#include <chrono>
#include <future>
#include <mutex>

#include "link_open.h"
#include "printer.h"

namespace kvnlink {

namespace {

using clock = std::chrono::steady_clock;

// Listens on `port` until a peer comes, the time is up, or `give_up` is set;
// the library's listening call waits about half a second each time.
int32_t listen_for_peer(int32_t slot, int port, double timeout_s, EventSource &events,
                        const std::atomic<bool> &give_up) {
    const auto deadline = clock::now() + std::chrono::duration<double>(timeout_s);
    int32_t code = KVN_NO_PEER;
    while (code == KVN_NO_PEER && !give_up && clock::now() < deadline)
        code = kvn_socket_connect_ex(slot, nullptr, events.window(), events.message(), port);
    return code;
}

// A free port not handed out to the other engine a moment ago: the lane links its two
// engines at once, and the system could offer the same free port to both.
int fresh_port() {
    static std::mutex lock;
    static int handed_out[2] = {0, 0};
    static int next = 0;
    const std::lock_guard<std::mutex> guard(lock);
    for (int attempt = 0; attempt < 10; ++attempt) {
        const int port = free_loopback_port();
        if (port == 0 || port == handed_out[0] || port == handed_out[1]) continue;
        handed_out[next] = port;
        next = 1 - next;
        return port;
    }
    return 0;
}

} // namespace

LaneEngine::LaneEngine(int32_t slot, std::string name, EngineAddress address, double timeout_s, EventSource &events)
    : slot_(slot), name_(std::move(name)), address_(std::move(address)), timeout_s_(timeout_s), events_(events) {}

LaneEngine::~LaneEngine() { drop(); }

void LaneEngine::drop() {
    kvn_disconnect(slot_);
    linked_ = false;
    if (program_) program_->terminate();
    program_.reset();
}

void LaneEngine::send(const kvn_message &message) const {
    if (linked_) kvn_send_message(slot_, &message);
}

void LaneEngine::drop_if_ended() {
    if (linked_ && program_ && !program_->running()) drop();
}

bool LaneEngine::ensure_linked(std::uint64_t seed, std::string &error) {
    drop_if_ended();
    if (linked_) return true;
    drop();
    if (address_.link) return linked_ = open_address(error);
    // The library listens in windows of about half a second, and a free port can be
    // taken by another program before it is listened on: a program that tries to
    // connect once, between two windows, is refused and ends.  Such a start is tried
    // again, on a fresh port, a few times before the engine counts as lost.
    constexpr int starts = 3;
    Start outcome = Start::again;
    for (int i = 0; i < starts && outcome == Start::again; ++i) {
        if (i > 0) drop();
        error.clear();
        outcome = start_program(seed, error);
    }
    return linked_ = outcome == Start::linked;
}

bool LaneEngine::open_address(std::string &error) {
    LinkOptions link = *address_.link;
    link.timeout_s = timeout_s_;
    link.retry_s = timeout_s_;
    Printer quiet(false); // the lane's standard output is reserved for its reports
    const int32_t code = open_link(slot_, link, events_, quiet);
    if (code != 0) error = "engine " + name_ + " at " + address_.text + " did not come: code " + std::to_string(code);
    return code == 0;
}

LaneEngine::Start LaneEngine::start_program(std::uint64_t seed, std::string &error) {
    const int port = fresh_port();
    if (port == 0) {
        error = "no free port on 127.0.0.1 for engine " + name_;
        return Start::failed;
    }
    // Listening first, on a thread of its own, so that the program finds the port open.
    std::atomic<bool> give_up{false};
    auto listening =
        std::async(std::launch::async, listen_for_peer, slot_, port, timeout_s_, std::ref(events_), std::cref(give_up));
    // The library's listening call gives no sign that it has begun; an engine that
    // connects before it has would be refused.
    wait_until_listening(port, 2000);
    std::vector<std::string> words;
    for (const std::string &w : address_.command)
        words.push_back(fill_in(w, {{"port", std::to_string(port)}, {"name", name_}, {"seed", std::to_string(seed)}}));
    program_ = ChildProcess::start(words, ChildProcess::Output::discard, error);
    // A program that cannot start or ends early stops the listening at its next round.
    while (listening.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (!program_ || !program_->running()) give_up = true;
    const int32_t code = listening.get();
    if (code == 0) return Start::linked;
    if (!program_) return Start::failed; // it could not be started: `error` says why
    const bool ended = !program_->running();
    error = "engine " + name_ + " (" + words[0] + ") did not connect to port " + std::to_string(port) +
            (ended                 ? ": it ended"
             : code != KVN_NO_PEER ? ": the port could not be listened on"
                                   : "");
    return ended || code != KVN_NO_PEER ? Start::again : Start::failed;
}

} // namespace kvnlink
