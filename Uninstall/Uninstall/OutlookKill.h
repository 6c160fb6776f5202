#pragma once
#include "HeapVector.h"

// True when the title, in lower case, contains " outlook": the word with a
// space before it, so "Inbox - Microsoft Outlook" matches and "Outlook Today"
// does not.
bool TitleNamesOutlook(const wchar_t* title);

// The windows at startWindow's level in Z order, first to last, as they stand now.
HeapVector<HWND> SnapshotWindowsAtLevelOf(HWND startWindow);

// Asks every top-level window whose title names Outlook to close itself.
// Waits for each responsive window to handle the request (it may ask the user
// to save first), and at most 5 s for one whose program has stopped responding.
void CloseOutlookWindows(HWND startWindow);
