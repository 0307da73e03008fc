// game_clock.cpp - time used, flags, and the time that comes back after every period of moves.
#include "match/game_clock.h"

namespace match {

GameClock::GameClock(TimeControl control)
    : control_(control), left_(std::chrono::duration_cast<duration>(control.time)) {}

void GameClock::start(time_point now) {
    if (running_) return;
    started_ = now;
    running_ = true;
}

bool GameClock::stop(time_point now) {
    if (!running_) return left_ >= duration::zero();
    running_ = false;
    left_ -= now - started_;
    ++moves_made_;
    if (left_ < duration::zero()) return false;
    // The period's last move made in time earns the next period; the time left over is kept.
    if (control_.moves > 0 && moves_made_ % control_.moves == 0)
        left_ += std::chrono::duration_cast<duration>(control_.time);
    return true;
}

GameClock::duration GameClock::remaining(time_point now) const { return running_ ? left_ - (now - started_) : left_; }

} // namespace match
