#pragma once
// A growable array on the process heap, for trivially copyable elements.
// The kit's binaries avoid the standard containers: their error paths pull
// hundreds of kilobytes of the C++ runtime into every statically linked file.
// Running out of memory for a few hundred bytes is not recoverable here, so an
// allocation failure ends the process at once.
#include <windows.h>
#include <cstdlib>
#include <cstring>
#include <type_traits>

template <typename T>
class HeapVector {
    static_assert(std::is_trivially_copyable<T>::value, "elements are moved with memcpy");

public:
    HeapVector() = default;
    HeapVector(const HeapVector& other) { Assign(other.data_, other.size_); }
    HeapVector(HeapVector&& other) noexcept
        : data_(other.data_), size_(other.size_), capacity_(other.capacity_)
    {
        other.data_ = nullptr;
        other.size_ = other.capacity_ = 0;
    }
    HeapVector& operator=(const HeapVector& other)
    {
        if (this != &other)
            Assign(other.data_, other.size_);
        return *this;
    }
    HeapVector& operator=(HeapVector&& other) noexcept
    {
        if (this != &other) {
            Free();
            data_ = other.data_;
            size_ = other.size_;
            capacity_ = other.capacity_;
            other.data_ = nullptr;
            other.size_ = other.capacity_ = 0;
        }
        return *this;
    }
    ~HeapVector() { Free(); }

    T* data() { return data_; }
    const T* data() const { return data_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

    void Reserve(size_t capacity)
    {
        if (capacity <= capacity_)
            return;
        HANDLE heap = GetProcessHeap();
        size_t bytes = capacity * sizeof(T);
        void* grown = data_ ? HeapReAlloc(heap, 0, data_, bytes) : HeapAlloc(heap, 0, bytes);
        if (!grown || bytes / sizeof(T) != capacity)
            std::abort();
        data_ = static_cast<T*>(grown);
        capacity_ = capacity;
    }

    // Sets the size; new elements are zero-filled.
    void Resize(size_t size)
    {
        if (size > capacity_)
            Reserve(size > capacity_ * 2 ? size : capacity_ * 2);
        if (size > size_)
            std::memset(static_cast<void*>(data_ + size_), 0, (size - size_) * sizeof(T));
        size_ = size;
    }

    void Append(const T* items, size_t count)
    {
        size_t old = size_;
        Resize(old + count);
        if (count)
            std::memcpy(static_cast<void*>(data_ + old), items, count * sizeof(T));
    }

    void PushBack(const T& item) { Append(&item, 1); }

private:
    void Assign(const T* items, size_t count)
    {
        size_ = 0;
        Append(items, count);
    }
    void Free()
    {
        if (data_)
            HeapFree(GetProcessHeap(), 0, data_);
        data_ = nullptr;
        size_ = capacity_ = 0;
    }

    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};
