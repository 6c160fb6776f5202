#include "FailureReport.h"
#include "CommonText.h"
#include "ResourceText.h"
#include "UniqueResource.h"

namespace {

WideText SystemDescription(HRESULT hr)
{
    UniqueLocalText text;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(text.put()), 0,
                                  nullptr);
    const wchar_t* described = text.get();
    // The system's texts end in a line break that would only pad the box.
    while (length > 0 && (described[length - 1] == L'\n' || described[length - 1] == L'\r' ||
                          described[length - 1] == L' '))
        --length;
    return length ? WideText(described, length) : LoadText(IDS_UNKNOWN_ERROR);
}

} // namespace

WideText FillInCode(const wchar_t* pattern, unsigned code)
{
    // The pattern comes from a translation: it is never handed to a printf
    // function, so no length or % sequence in it can do harm.
    static const wchar_t kPlace[] = L"%08X";
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    WideText text(pattern);
    size_t at = text.Find(kPlace);
    if (at == WideText::npos)
        return text;
    wchar_t hex[8];
    for (int i = 7; i >= 0; --i, code >>= 4)
        hex[i] = kDigits[code & 0xF];
    return WideText(text.c_str(), at).Append(hex, 8).Append(text.c_str() + at + ARRAYSIZE(kPlace) - 1);
}

WideText FailureMessage(const wchar_t* what, HRESULT hr)
{
    WideText code = FillInCode(LoadText(IDS_ERROR_CODE).c_str(), static_cast<unsigned>(hr));
    return WideText(what).Append(L"\n\n").Append(SystemDescription(hr)).Append(code);
}

void ReportFailureAndExit(HWND owner, const wchar_t* caption, const wchar_t* what, HRESULT hr)
{
    if (SUCCEEDED(hr))
        hr = E_FAIL;
    WideText message = FailureMessage(what, hr);
    MessageBoxW(owner, message.c_str(), caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(static_cast<UINT>(hr));
}
