#include "FailureReport.h"
#include "CommonText.h"
#include "ResourceText.h"

namespace {

WideText SystemDescription(HRESULT hr)
{
    wchar_t* described = nullptr;
    DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                      FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, static_cast<DWORD>(hr), 0,
                                  reinterpret_cast<wchar_t*>(&described), 0, nullptr);
    // The system's texts end in a line break that would only pad the box.
    while (length > 0 && (described[length - 1] == L'\n' || described[length - 1] == L'\r' ||
                          described[length - 1] == L' '))
        --length;
    WideText text = length ? WideText(described, length) : LoadText(IDS_UNKNOWN_ERROR);
    if (described)
        LocalFree(described);
    return text;
}

} // namespace

WideText FailureMessage(const wchar_t* what, HRESULT hr)
{
    wchar_t code[64];
    wsprintfW(code, LoadText(IDS_ERROR_CODE).c_str(), static_cast<unsigned>(hr));
    return WideText(what).Append(L"\n\n").Append(SystemDescription(hr)).Append(code);
}

void ReportFailureAndExit(HWND owner, const wchar_t* caption, const wchar_t* what, HRESULT hr)
{
    WideText message = FailureMessage(what, hr);
    MessageBoxW(owner, message.c_str(), caption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    ExitProcess(static_cast<UINT>(hr));
}
