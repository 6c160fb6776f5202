#pragma once
// Scoped ownership of Win32 handles: one owner, closed exactly once.
#include <windows.h>

template <typename Traits>
class UniqueResource {
public:
    using Type = typename Traits::Type;

    UniqueResource() = default;
    explicit UniqueResource(Type value) : value_(value) {}
    ~UniqueResource() { reset(); }

    UniqueResource(const UniqueResource&) = delete;
    UniqueResource& operator=(const UniqueResource&) = delete;
    UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
    UniqueResource& operator=(UniqueResource&& other) noexcept
    {
        if (this != &other)
            reset(other.release());
        return *this;
    }

    Type get() const { return value_; }
    explicit operator bool() const { return value_ != Traits::Invalid(); }

    // For out-parameters: closes what is held and hands out the slot.
    Type* put()
    {
        reset();
        return &value_;
    }

    Type release()
    {
        Type value = value_;
        value_ = Traits::Invalid();
        return value;
    }

    void reset(Type value = Traits::Invalid())
    {
        if (value_ != Traits::Invalid())
            Traits::Close(value_);
        value_ = value;
    }

private:
    Type value_ = Traits::Invalid();
};

// Kernel handles come in two kinds, told apart by what their creating call
// returns on failure: null (CreateProcess's process and thread, events,
// mutexes, mappings) or INVALID_HANDLE_VALUE (CreateFile, a snapshot).
// Holding one kind with the other's traits would close -1, the current
// process's pseudo handle, or keep a failure as if it were a handle.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Close(Type handle) { CloseHandle(handle); }
};

struct FileHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { CloseHandle(handle); }
};

// FindFirstFile's search handle, INVALID_HANDLE_VALUE on failure.
struct FindHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Type search) { FindClose(search); }
};

struct RegistryKeyTraits {
    using Type = HKEY;
    static Type Invalid() { return nullptr; }
    static void Close(Type key) { RegCloseKey(key); }
};

struct ModuleTraits {
    using Type = HMODULE;
    static Type Invalid() { return nullptr; }
    static void Close(Type module) { FreeLibrary(module); }
};

using UniqueHandle = UniqueResource<KernelHandleTraits>;
using UniqueFileHandle = UniqueResource<FileHandleTraits>;
using UniqueFindHandle = UniqueResource<FindHandleTraits>;
using UniqueRegKey = UniqueResource<RegistryKeyTraits>;
using UniqueModule = UniqueResource<ModuleTraits>;
