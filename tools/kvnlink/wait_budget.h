// wait_budget.h - what is left of a wait's time limit, for the event sources of every system.
#pragma once

#include <chrono>

namespace kvnlink {

class WaitBudget {
public:
    // timeout_ms < 0: no limit.
    explicit WaitBudget(int timeout_ms)
        : limited_(timeout_ms >= 0), deadline_(clock::now() + std::chrono::milliseconds(limited_ ? timeout_ms : 0)) {}

    // Milliseconds left: -1 without a limit, 0 once the time has run out.
    int left_ms() const {
        if (!limited_) return -1;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - clock::now()).count();
        return left > 0 ? static_cast<int>(left) : 0;
    }

private:
    using clock = std::chrono::steady_clock;
    bool limited_;
    clock::time_point deadline_;
};

} // namespace kvnlink
