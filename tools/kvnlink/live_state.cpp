// live_state.cpp - the live page's state: small edits and one serialisation per version, under one lock.
#include "live_state.h"

#include "draughts/fen.h"
#include "draughts/square_string.h"

namespace kvnlink {

namespace {

// The 50 letters of a FEN's squares (square_string.h), or "" when it is no position.
std::string squares_of(const std::string &fen) {
    std::string error;
    const auto position = draughts::parse_fen(fen, error);
    return position ? draughts::square_string(*position) : std::string();
}

// "W" or "Z", as kvnlink names the sides (FEN says B for black).
std::string side_to_move(const std::string &fen) { return !fen.empty() && fen[0] == 'B' ? "Z" : "W"; }

} // namespace

LiveState::LiveState(const std::string &kind, const std::string &title) {
    state_ = Json{{"version", version_}, {"kind", kind}, {"title", title}, {"boards", Json::array()}};
}

Json &LiveState::board(int index) {
    Json &boards = state_["boards"];
    while (static_cast<int>(boards.size()) <= index)
        boards.push_back(Json{{"board", boards.size() + 1}, {"status", "waiting"}});
    return boards[static_cast<size_t>(index)];
}

void LiveState::publish() {
    state_["version"] = ++version_;
    changed_.notify_all();
}

void LiveState::game_started(int index, const std::string &heading, const std::string &white, const std::string &black,
                             const std::string &fen, long clock_ms) {
    const std::string squares = squares_of(fen); // before the lock, which the game threads share
    const std::lock_guard lock(mutex_);
    board(index) = Json{{"board", index + 1},
                        {"heading", heading},
                        {"status", "playing"},
                        {"white", white},
                        {"black", black},
                        {"start_fen", fen},
                        {"first_to_move", side_to_move(fen)},
                        {"fen", fen},
                        {"squares", squares},
                        {"to_move", side_to_move(fen)},
                        {"moves", Json::array()},
                        {"last", Json::array()},
                        {"clocks", clock_ms >= 0},
                        {"white_ms", clock_ms},
                        {"black_ms", clock_ms},
                        {"verdicts", Json::array()},
                        {"result", "*"},
                        {"ending", ""}};
    publish();
}

void LiveState::moved(int index, const LiveMove &move) {
    const std::string squares = squares_of(move.fen);
    const std::lock_guard lock(mutex_);
    Json &b = board(index);
    b["moves"].push_back(move.notation);
    b["last"] = Json::array({move.from, move.to});
    b["fen"] = move.fen;
    b["squares"] = squares;
    b["to_move"] = side_to_move(move.fen);
    b["white_ms"] = move.white_ms;
    b["black_ms"] = move.black_ms;
    publish();
}

void LiveState::verdict(int index, const std::string &text) {
    const std::lock_guard lock(mutex_);
    board(index)["verdicts"].push_back(text);
    publish();
}

void LiveState::game_over(int index, const std::string &result, const std::string &how) {
    const std::lock_guard lock(mutex_);
    Json &b = board(index);
    b["status"] = "over";
    b["result"] = result;
    b["ending"] = how;
    publish();
}

void LiveState::set_match(const Json &match) {
    const std::lock_guard lock(mutex_);
    state_["match"].update(match);
    publish();
}

std::string LiveState::snapshot(std::uint64_t &version) const {
    const std::lock_guard lock(mutex_);
    if (text_version_ != version_) {
        text_ = json_line(state_);
        text_version_ = version_;
    }
    version = version_;
    return text_;
}

bool LiveState::wait_newer(std::uint64_t seen, std::chrono::milliseconds timeout) const {
    std::unique_lock lock(mutex_);
    changed_.wait_for(lock, timeout, [&] { return closed_ || version_ > seen; });
    return !closed_ && version_ > seen;
}

void LiveState::close() {
    const std::lock_guard lock(mutex_);
    closed_ = true;
    changed_.notify_all();
}

bool LiveState::closed() const {
    const std::lock_guard lock(mutex_);
    return closed_;
}

} // namespace kvnlink
