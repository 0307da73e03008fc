// threads_posix.cpp - sleeps, detached threads and semaphores on POSIX.
#include <pthread.h>
#include <time.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <new>

#include "platform/platform.h"

namespace kvn::platform {

void sleep_ms(uint32_t milliseconds) {
    timespec request{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&request, &request) != 0 && errno == EINTR) {}
}

bool may_throw_without_memory() noexcept { return true; }

namespace {

struct ThreadStart {
    void (*entry)(void *);
    void *argument;
};

void *run_thread(void *raw) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart *>(raw));
    start->entry(start->argument);
    return nullptr;
}

struct BinarySemaphore {
    std::mutex lock;
    std::condition_variable changed;
    bool available = true;
};

} // namespace

bool start_thread(void (*entry)(void *), void *argument) {
    std::unique_ptr<ThreadStart> start(new (std::nothrow) ThreadStart{entry, argument});
    if (!start) return false;
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0) return false;
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int result = pthread_create(&thread, &attributes, run_thread, start.get());
    pthread_attr_destroy(&attributes);
    if (result != 0) return false;
    start.release(); // now owned by the new thread
    return true;
}

static_assert(sizeof(pthread_mutex_t) <= 64 && alignof(pthread_mutex_t) <= 8, "Lock's storage holds a mutex");

Lock::Lock() noexcept { new (storage_) pthread_mutex_t(PTHREAD_MUTEX_INITIALIZER); }
Lock::~Lock() { pthread_mutex_destroy(reinterpret_cast<pthread_mutex_t *>(storage_)); }
void Lock::lock() noexcept { pthread_mutex_lock(reinterpret_cast<pthread_mutex_t *>(storage_)); }
void Lock::unlock() noexcept { pthread_mutex_unlock(reinterpret_cast<pthread_mutex_t *>(storage_)); }

uint64_t current_thread_id() { return static_cast<uint64_t>(pthread_self()); }

Semaphore::Semaphore() : handle_(new BinarySemaphore) {}

Semaphore::~Semaphore() { delete static_cast<BinarySemaphore *>(handle_); }

bool Semaphore::take(uint32_t timeout_ms) {
    auto &s = *static_cast<BinarySemaphore *>(handle_);
    std::unique_lock<std::mutex> guard(s.lock);
    if (timeout_ms == forever) {
        s.changed.wait(guard, [&] { return s.available; });
    } else if (!s.changed.wait_for(guard, std::chrono::milliseconds(timeout_ms), [&] { return s.available; })) {
        return false;
    }
    s.available = false;
    return true;
}

void Semaphore::give() {
    auto &s = *static_cast<BinarySemaphore *>(handle_);
    std::lock_guard<std::mutex> guard(s.lock);
    s.available = true; // the maximum count is 1: a second give changes nothing
    s.changed.notify_one();
}

} // namespace kvn::platform
