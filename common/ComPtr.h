#pragma once
// One counted reference to a COM object, released when the holder goes.
#include <unknwn.h>

template <typename T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr& other) : object_(other.object_)
    {
        if (object_)
            object_->AddRef();
    }
    ComPtr(ComPtr&& other) noexcept : object_(other.object_) { other.object_ = nullptr; }
    ComPtr& operator=(ComPtr other) noexcept
    {
        T* mine = object_;
        object_ = other.object_;
        other.object_ = mine;
        return *this;
    }
    ~ComPtr() { reset(); }

    // Takes a new reference to `object`.
    static ComPtr Share(T* object)
    {
        ComPtr holder;
        holder.object_ = object;
        if (object)
            object->AddRef();
        return holder;
    }

    T* get() const { return object_; }
    T* operator->() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }
    T** put()
    {
        reset();
        return &object_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset()
    {
        if (object_) {
            T* released = object_;
            object_ = nullptr;
            released->Release();
        }
    }

private:
    T* object_ = nullptr;
};
