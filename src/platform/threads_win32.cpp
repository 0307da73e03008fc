// threads_win32.cpp - sleeps, detached threads and semaphores on Windows.
#include "platform/win32_headers.h"

#include <new>

#include "platform/platform.h"

namespace kvn::platform {

void sleep_ms(uint32_t milliseconds) { Sleep(milliseconds); }

bool may_throw_without_memory() noexcept { return false; }

namespace {

struct ThreadStart {
    void (*entry)(void *);
    void *argument;
    HMODULE module; // held by the thread for its whole life
};

DWORD WINAPI run_thread(void *raw) {
    const ThreadStart start = *static_cast<ThreadStart *>(raw);
    delete static_cast<ThreadStart *>(raw);
    start.entry(start.argument);
    // Lets go of the module and ends the thread in one system call, so no
    // code of this module runs after it: a host may unload the library the
    // moment kvn_disconnect has returned, while this thread is still on its
    // way out.
    FreeLibraryAndExitThread(start.module, 0);
}

} // namespace

bool start_thread(void (*entry)(void *), void *argument) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCSTR>(&run_thread), &module))
        return false;
    auto *start = new (std::nothrow) ThreadStart{entry, argument, module};
    const HANDLE thread = start == nullptr ? nullptr : CreateThread(nullptr, 0, run_thread, start, 0, nullptr);
    if (thread == nullptr) {
        delete start;
        FreeLibrary(module);
        return false;
    }
    CloseHandle(thread); // detached: nobody joins it
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
