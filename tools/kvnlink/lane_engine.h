// lane_engine.h - one engine as a match lane holds it: its link in a slot, and the program
// behind it when the lane started that program itself (cmd:).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine_address.h"
#include "kvn.h"
#include "notify.h"
#include "child_process.h"

namespace kvnlink {

class LaneEngine {
public:
    LaneEngine(int32_t slot, std::string name, EngineAddress address, double timeout_s, EventSource &events);
    ~LaneEngine();
    LaneEngine(const LaneEngine &) = delete;
    LaneEngine &operator=(const LaneEngine &) = delete;

    // Links the engine unless it is linked: starts its program again (cmd:) or
    // opens its address again.  False, with the reason, when it did not come
    // within the time-out.  `seed` fills in the command's {seed}.
    bool ensure_linked(std::uint64_t seed, std::string &error);
    // Drops the link of a program of ours that has ended (which took its link with it).
    void drop_if_ended();
    // The link is gone (or must go): frees the slot and ends a program the lane started.
    void drop();

    bool linked() const { return linked_; }
    void send(const kvn_message &message) const;
    int32_t slot() const { return slot_; }
    const std::string &name() const { return name_; }

private:
    enum class Start { linked, again, failed };
    // Starts the program once; `again` when another start may well succeed (the program
    // ended before it connected, or its port could not be listened on).
    Start start_program(std::uint64_t seed, std::string &error);
    bool open_address(std::string &error);

    int32_t slot_;
    std::string name_;
    EngineAddress address_;
    double timeout_s_;
    EventSource &events_;
    std::unique_ptr<ChildProcess> program_;
    bool linked_ = false;
};

} // namespace kvnlink
