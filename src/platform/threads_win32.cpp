// threads_win32.cpp - sleeps, detached threads and semaphores on Windows.
#include "platform/win32_headers.h"

#include <process.h>

#include <memory>
#include <new>

#include "platform/platform.h"

namespace kvn::platform {

void sleep_ms(uint32_t milliseconds) { Sleep(milliseconds); }

namespace {

struct ThreadStart {
    void (*entry)(void *);
    void *argument;
};

unsigned __stdcall run_thread(void *raw) {
    std::unique_ptr<ThreadStart> start(static_cast<ThreadStart *>(raw));
    start->entry(start->argument);
    return 0;
}

} // namespace

bool start_thread(void (*entry)(void *), void *argument) {
    std::unique_ptr<ThreadStart> start(new (std::nothrow) ThreadStart{entry, argument});
    if (!start) return false;
    // The runtime's own thread start, so the C runtime is set up for the thread.
    const uintptr_t thread = _beginthreadex(nullptr, 0, run_thread, start.get(), 0, nullptr);
    if (thread == 0) return false;
    start.release();                               // now owned by the new thread
    CloseHandle(reinterpret_cast<HANDLE>(thread)); // detached: nobody joins it
    return true;
}

// A slim reader/writer lock: nothing to allocate on first use, unlike the
// thread library's mutexes, and nothing to free.
static_assert(sizeof(SRWLOCK) <= 64 && alignof(SRWLOCK) <= 8, "Lock's storage holds an SRW lock");

Lock::Lock() noexcept { InitializeSRWLock(reinterpret_cast<SRWLOCK *>(storage_)); }
Lock::~Lock() = default;
void Lock::lock() noexcept { AcquireSRWLockExclusive(reinterpret_cast<SRWLOCK *>(storage_)); }
void Lock::unlock() noexcept { ReleaseSRWLockExclusive(reinterpret_cast<SRWLOCK *>(storage_)); }

uint64_t current_thread_id() { return GetCurrentThreadId(); }

Semaphore::Semaphore() : handle_(CreateSemaphoreA(nullptr, 1, 1, nullptr)) {
    // The callers treat a semaphore as infallible, like an allocation.
    if (handle_ == nullptr) throw std::bad_alloc();
}

Semaphore::~Semaphore() { CloseHandle(static_cast<HANDLE>(handle_)); }

bool Semaphore::take(uint32_t timeout_ms) {
    const DWORD wait = timeout_ms == forever ? INFINITE : static_cast<DWORD>(timeout_ms);
    return WaitForSingleObject(static_cast<HANDLE>(handle_), wait) == WAIT_OBJECT_0;
}

void Semaphore::give() {
    // At the maximum count of 1 this fails and changes nothing, as wanted.
    ReleaseSemaphore(static_cast<HANDLE>(handle_), 1, nullptr);
}

} // namespace kvn::platform
