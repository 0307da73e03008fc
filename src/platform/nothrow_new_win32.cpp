// nothrow_new_win32.cpp - the DLL's no-throw operator new: straight to the C heap.
//
// The C++ runtime's no-throw form calls the throwing one and catches.  With
// the heap empty, making that exception takes the runtime's emergency pool,
// whose lock (static winpthreads) allocates on its first use, fails, throws
// again, and so on until the stack is gone.  Every heap object of the library
// comes through here (platform::allocate), so none of them ever makes an
// exception.  The matching operator delete is the runtime's, which frees to
// the same C heap.
#include <cstdlib>
#include <new>

void *operator new(std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size == 0 ? 1 : size); }
void *operator new[](std::size_t size, const std::nothrow_t &) noexcept { return std::malloc(size == 0 ? 1 : size); }
