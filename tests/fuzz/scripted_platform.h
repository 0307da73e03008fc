// scripted_platform.h - a one-thread stand-in for the platform layer that serial fuzz targets link instead of the real one.
//
// The serial port hands out bytes from a script, one step per read, and
// answers "nothing" at once where the script says so, so a 200 ms read
// time-out costs no time.  Threads are recorded, not started: the target
// runs each worker itself on its own thread.  Semaphores are plain flags
// that abort where a real one would wait for ever.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/platform.h"

namespace kvn_fuzz {

struct ScriptStep {
    enum class Read { byte, nothing, fails };
    enum class Echo { written, fails, writes_nothing };
    Read read = Read::nothing;
    uint8_t byte = 0;
    // Where the stop flag goes up: just before this read returns.
    bool stop_first = false;
    // What the write that follows this read does.
    Echo echo = Echo::written;
};

// Reads are logged with byte 0; writes with the byte written (or attempted).
struct PortEvent {
    bool is_write;
    uint8_t byte;
    bool operator==(const PortEvent &) const = default;
};

struct Post {
    void *window;
    uint32_t message;
    uintptr_t wparam;
    intptr_t lparam;
};

struct Thread {
    void (*entry)(void *);
    void *argument;
};

struct World {
    std::vector<ScriptStep> script;
    size_t next_step = 0;
    // Called once, where a step or the end of the script raises the stop flag.
    std::function<void()> raise_stop;
    bool stop_raised = false;
    size_t reads_past_end = 0;

    kvn::platform::SerialOpen open_outcome = kvn::platform::SerialOpen::opened; // what serial_open answers
    int32_t opened_number = 0;
    int ports_open = 0;
    int port_closes = 0;
    bool foreign_port_used = false;
    ScriptStep::Echo pending_echo = ScriptStep::Echo::written;

    std::vector<PortEvent> port_log;
    std::vector<Post> posts;
    std::vector<Thread> threads;
    size_t sleeps = 0;
    int live_semaphores = 0;
};

// The one world of the current run; reset() before each.
World &world();
void reset(std::vector<ScriptStep> script);

// Where a real run would hang or go wrong: the target's one way to fail.
[[noreturn]] void fail(const char *what);
inline void check(bool condition, const char *what) {
    if (!condition) fail(what);
}

} // namespace kvn_fuzz
