#include "ResourceText.h"

WideText LoadText(UINT id, HMODULE module)
{
    // With a zero size LoadStringW hands out the resource's own read-only
    // text, which is not null-terminated, and returns its length.
    const wchar_t* text = nullptr;
    int length = LoadStringW(module ? module : GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? WideText(text, static_cast<size_t>(length)) : WideText();
}
