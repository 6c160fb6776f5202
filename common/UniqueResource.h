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

// What holds one kind of handle: its type, the call that closes it, and
// whether its creating call fails with INVALID_HANDLE_VALUE (CreateFile, a
// snapshot, FindFirstFile) rather than null (CreateProcess's process and
// thread, events, registry keys, modules). Holding one kind with the other's
// failure value would close -1, the current process's pseudo handle, or keep
// a failure as if it were a handle.
template <typename Handle, auto CloseFunction, bool FailsAsMinusOne = false>
struct HandleTraits {
    using Type = Handle;
    static Type Invalid() { return FailsAsMinusOne ? reinterpret_cast<Type>(static_cast<LONG_PTR>(-1)) : Type(); }
    static void Close(Type handle) { CloseFunction(handle); }
};

using UniqueHandle = UniqueResource<HandleTraits<HANDLE, CloseHandle>>;
using UniqueFileHandle = UniqueResource<HandleTraits<HANDLE, CloseHandle, true>>;
using UniqueFindHandle = UniqueResource<HandleTraits<HANDLE, FindClose, true>>;
using UniqueRegKey = UniqueResource<HandleTraits<HKEY, RegCloseKey>>;
using UniqueModule = UniqueResource<HandleTraits<HMODULE, FreeLibrary>>;
using UniqueBstr = UniqueResource<HandleTraits<BSTR, SysFreeString>>;
using UniqueLocalText = UniqueResource<HandleTraits<wchar_t*, LocalFree>>; // FormatMessage's

// An object selected into a device context for the length of a scope; what
// was selected before comes back at its end.
class ScopedSelectObject {
public:
    ScopedSelectObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelectObject() { SelectObject(dc_, previous_); }
    ScopedSelectObject(const ScopedSelectObject&) = delete;
    ScopedSelectObject& operator=(const ScopedSelectObject&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};
