// scripted_platform.cpp - the scripted serial port, recorded threads and flag semaphores of the fuzz build.
#include "fuzz/scripted_platform.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <new>
#include <thread>
#include <utility>

#include "platform/platform.h"

namespace kvn_fuzz {

namespace {
constexpr kvn::platform::Port scripted_port = 7;
World the_world;
} // namespace

World &world() { return the_world; }

void reset(std::vector<ScriptStep> script) {
    the_world = World{};
    the_world.script = std::move(script);
}

void fail(const char *what) {
    std::fprintf(stderr, "serial fuzz: %s\n", what);
    std::abort();
}

} // namespace kvn_fuzz

namespace kvn::platform {

using kvn_fuzz::the_world;

void sleep_ms(uint32_t) {
    // Every idle cycle sleeps once and reads once, and every read uses up a
    // step: more sleeps than steps means a loop that no longer reads.
    if (++the_world.sleeps > the_world.script.size() + 16) kvn_fuzz::fail("a worker loops without reading");
}

bool start_thread(void (*entry)(void *), void *argument) {
    the_world.threads.push_back({entry, argument});
    return true;
}

bool may_throw_without_memory() noexcept { return true; }

static_assert(sizeof(std::mutex) <= 64 && alignof(std::mutex) <= 8, "Lock's storage holds a mutex");
Lock::Lock() noexcept { new (storage_) std::mutex; }
Lock::~Lock() { reinterpret_cast<std::mutex *>(storage_)->~mutex(); }
void Lock::lock() noexcept { reinterpret_cast<std::mutex *>(storage_)->lock(); }
void Lock::unlock() noexcept { reinterpret_cast<std::mutex *>(storage_)->unlock(); }

uint64_t current_thread_id() { return std::hash<std::thread::id>{}(std::this_thread::get_id()) | 1u; }

// Nobody else runs to wake a waiting worker: a wait is an idle cycle, as a sleep is.
Waker::Waker() : handle_(0) {}
Waker::~Waker() = default;
void Waker::wake() {}
Waker::Woken Waker::wait(Socket, uint32_t timeout_ms) {
    sleep_ms(timeout_ms);
    return Woken::timeout;
}

Semaphore::Semaphore() : handle_(new bool(true)) { ++the_world.live_semaphores; }

Semaphore::~Semaphore() {
    delete static_cast<bool *>(handle_);
    --the_world.live_semaphores;
}

bool Semaphore::take(uint32_t timeout_ms) {
    bool &available = *static_cast<bool *>(handle_);
    if (!available) {
        // Nobody else runs here, so nobody would ever give it back.
        if (timeout_ms == forever) kvn_fuzz::fail("a semaphore taken twice would wait for ever");
        return false;
    }
    available = false;
    return true;
}

void Semaphore::give() { *static_cast<bool *>(handle_) = true; }

bool post_notification(void *window, uint32_t message, uintptr_t wparam, intptr_t lparam) {
    the_world.posts.push_back({window, message, wparam, lparam});
    return true;
}

SerialOpen serial_open(int32_t number, Port &port) {
    the_world.opened_number = number;
    if (the_world.open_outcome != SerialOpen::opened) return the_world.open_outcome;
    ++the_world.ports_open;
    port = kvn_fuzz::scripted_port;
    return SerialOpen::opened;
}

bool serial_read_byte(Port port, uint8_t &byte, uint32_t &count) {
    using Read = kvn_fuzz::ScriptStep::Read;
    if (port != kvn_fuzz::scripted_port || the_world.ports_open != 1) the_world.foreign_port_used = true;
    the_world.port_log.push_back({false, 0});
    count = 0;
    if (the_world.next_step == the_world.script.size()) {
        // The cable has fallen silent for good: time to stop.
        if (++the_world.reads_past_end > 1000) kvn_fuzz::fail("a worker keeps reading after the stop");
        if (!the_world.stop_raised) {
            the_world.stop_raised = true;
            the_world.raise_stop();
        }
        return true;
    }
    const kvn_fuzz::ScriptStep &step = the_world.script[the_world.next_step++];
    if (step.stop_first && !the_world.stop_raised) {
        the_world.stop_raised = true;
        the_world.raise_stop();
    }
    the_world.pending_echo = step.echo;
    if (step.read == Read::fails) return false;
    if (step.read == Read::byte) {
        byte = step.byte;
        count = 1;
    }
    return true;
}

bool serial_write_byte(Port port, uint8_t byte, uint32_t &count) {
    using Echo = kvn_fuzz::ScriptStep::Echo;
    if (port != kvn_fuzz::scripted_port || the_world.ports_open != 1) the_world.foreign_port_used = true;
    the_world.port_log.push_back({true, byte});
    const Echo echo = std::exchange(the_world.pending_echo, Echo::written);
    count = echo == Echo::written ? 1 : 0;
    return echo != Echo::fails;
}

void serial_close(Port port) {
    if (port != kvn_fuzz::scripted_port) the_world.foreign_port_used = true;
    --the_world.ports_open;
    ++the_world.port_closes;
}

} // namespace kvn::platform
