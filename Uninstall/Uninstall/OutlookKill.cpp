#include "OutlookKill.h"
#include "Text.h"

namespace {

// Keeps the sequencer's own window painting while other programs close theirs.
void ProcessPendingMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

WideText WindowTitle(HWND window)
{
    int length = GetWindowTextLengthW(window);
    WideText title;
    if (length <= 0)
        return title;
    int read = GetWindowTextW(window, title.Buffer(length), length + 1);
    title.Truncate(read > 0 ? static_cast<size_t>(read) : 0);
    return title;
}

// A responsive window is waited for however long it takes (it may ask the
// user to save first). The system judges a program hung after 5 s without
// taking a message, and may judge an idle one so too (Wine does, now and
// then): such a window still gets the request, and is waited for a while.
void AskToClose(HWND window)
{
    constexpr UINT kHungWindowWaitMs = 5000;
    DWORD_PTR ignored = 0;
    if (!SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG, INFINITE, &ignored))
        SendMessageTimeoutW(window, WM_CLOSE, 0, 0, SMTO_NORMAL, kHungWindowWaitMs, &ignored);
}

} // namespace

bool TitleNamesOutlook(const wchar_t* title)
{
    WideText lowered(title);
    if (lowered.empty())
        return false;
    CharLowerBuffW(lowered.data(), static_cast<DWORD>(lowered.size()));
    return lowered.Find(L" outlook") != WideText::npos;
}

HeapVector<HWND> SnapshotWindowsAtLevelOf(HWND startWindow)
{
    HeapVector<HWND> windows;
    for (HWND w = GetWindow(startWindow, GW_HWNDFIRST); w; w = GetWindow(w, GW_HWNDNEXT))
        windows.PushBack(w);
    return windows;
}

void CloseOutlookWindows(HWND startWindow)
{
    // Closing a window can take hidden windows of its program with it; walking
    // a list taken beforehand keeps one vanished neighbour from ending the walk.
    HeapVector<HWND> windows = SnapshotWindowsAtLevelOf(startWindow);
    for (HWND window : windows) {
        if (!IsWindow(window))
            continue;
        WideText title = WindowTitle(window);
        if (TitleNamesOutlook(title.c_str()))
            AskToClose(window);
        ProcessPendingMessages();
    }
}
