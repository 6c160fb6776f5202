#pragma once
// Objects allocated from the process heap, with a null result rather than an
// exception when memory runs out: the server is built without the C++
// runtime's exception support, which would triple its size.
#include <windows.h>
#include <cstddef>

struct HeapAllocated {
    static void* operator new(std::size_t size) noexcept { return HeapAlloc(GetProcessHeap(), 0, size); }
    static void operator delete(void* object) noexcept { HeapFree(GetProcessHeap(), 0, object); }
};
