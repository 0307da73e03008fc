// handle_count.h - counts the kernel handles this process holds, on Windows and under Wine.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#  define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstddef>
#include <cstring>
#include <vector>

namespace kvn_test {

namespace handle_count_detail {

// One row of the system handle table, as NtQuerySystemInformation class 16 returns it.
struct HandleRow {
    USHORT process_id;
    USHORT creator_back_trace;
    UCHAR object_type;
    UCHAR attributes;
    USHORT handle;
    void *object;
    ULONG access;
};

using QueryFunction = LONG(WINAPI *)(ULONG, void *, ULONG, ULONG *);

// Wine's GetProcessHandleCount answers 0 without counting, but its system
// handle table is kept by the server and lists every handle of every process.
inline bool count_in_system_table(DWORD &count) {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    if (ntdll == nullptr) return false;
    // void(*)() is the one function type every other may pass through.
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void (*)()>(GetProcAddress(ntdll, "NtQuerySystemInformation")));
    if (query == nullptr) return false;
    constexpr ULONG system_handle_information = 16;
    std::vector<unsigned char> table(1 << 20);
    for (int attempt = 0; attempt < 6; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(system_handle_information, table.data(), static_cast<ULONG>(table.size()), &needed);
        if (status == 0) {
            ULONG rows = 0;
            std::memcpy(&rows, table.data(), sizeof rows);
            const auto *row = reinterpret_cast<const HandleRow *>(table.data() + sizeof(ULONG_PTR));
            // The table keeps only the low 16 bits of a process id.
            const auto me = static_cast<USHORT>(GetCurrentProcessId());
            count = 0;
            for (ULONG i = 0; i < rows; ++i)
                if (row[i].process_id == me) ++count;
            return true;
        }
        table.resize(table.size() * 2); // too small: the table grew meanwhile
    }
    return false;
}

} // namespace handle_count_detail

// The number of handles this process holds; false where the system cannot tell.
inline bool process_handle_count(DWORD &count) {
    count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return true;
    return handle_count_detail::count_in_system_table(count);
}

} // namespace kvn_test
