#pragma once
// Null-terminated strings on the process heap (see HeapVector.h for why the
// standard strings are not used in the kit's binaries).
#include "HeapVector.h"

template <typename Char>
class BasicText {
public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    BasicText() = default;
    BasicText(const Char* text) { Append(text); }
    BasicText(const Char* text, size_t length) { Append(text, length); }

    const Char* c_str() const
    {
        static const Char empty = 0;
        return chars_.empty() ? &empty : chars_.data();
    }
    Char* data() { return chars_.empty() ? Buffer(0) : chars_.data(); }
    size_t size() const { return chars_.empty() ? 0 : chars_.size() - 1; }
    bool empty() const { return size() == 0; }
    Char operator[](size_t i) const { return chars_[i]; }

    BasicText& Append(const Char* text, size_t length)
    {
        size_t old = size();
        chars_.Resize(old + length + 1);
        for (size_t i = 0; i < length; ++i)
            chars_[old + i] = text[i];
        chars_[old + length] = 0;
        return *this;
    }
    BasicText& Append(const Char* text) { return Append(text, Length(text)); }
    BasicText& Append(const BasicText& text) { return Append(text.c_str(), text.size()); }
    BasicText& Append(Char c) { return Append(&c, 1); }

    // Room for `length` characters plus the terminator, for APIs that fill a
    // buffer; follow with Truncate to the count they report.
    Char* Buffer(size_t length)
    {
        chars_.Resize(length + 1);
        chars_[length] = 0;
        return chars_.data();
    }
    void Truncate(size_t length)
    {
        if (length < size()) {
            chars_.Resize(length + 1);
            chars_[length] = 0;
        }
    }

    size_t Find(const Char* needle) const
    {
        size_t n = Length(needle);
        size_t len = size();
        if (n > len)
            return npos;
        for (size_t at = 0; at + n <= len; ++at) {
            size_t i = 0;
            while (i < n && chars_[at + i] == needle[i])
                ++i;
            if (i == n)
                return at;
        }
        return npos;
    }
    size_t FindChar(Char c) const
    {
        for (size_t i = 0; i < size(); ++i)
            if (chars_[i] == c)
                return i;
        return npos;
    }

    static size_t Length(const Char* text)
    {
        size_t n = 0;
        if (text)
            while (text[n])
                ++n;
        return n;
    }

private:
    HeapVector<Char> chars_;
};

using WideText = BasicText<wchar_t>;
using AnsiText = BasicText<char>;

// Text in the system code page, as the ANSI Windows functions hand it out.
inline WideText WideFromAnsi(const char* text, size_t length)
{
    WideText wide;
    int count = MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), nullptr, 0);
    if (count > 0)
        MultiByteToWideChar(CP_ACP, 0, text, static_cast<int>(length), wide.Buffer(count), count);
    return wide;
}
