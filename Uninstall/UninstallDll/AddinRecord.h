#pragma once
// The add-in's Office registration record, carried in the DLL as data:
//   designer class id (16 bytes), then a 32-bit record length counting every
//   byte after it, then host key, display name and description (each a 32-bit
//   length counting the null, then the null-terminated text), load behaviour
//   (32 bits) and six further 32-bit words. Integers are little-endian.
#include "Text.h"
#include <windows.h>

struct AddinRecordText {
    const char* text;    // points into the record
    DWORD length;        // without the null
};

struct AddinEntry {
    AddinRecordText hostKey;
    AddinRecordText displayName;
    AddinRecordText description;
    DWORD loadBehavior;
};

// Reads the record, checking every length against the bytes there are.
// Fails with HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for a record that is
// short, longer or shorter than its length says, of another designer, or
// whose texts are not null-terminated where their lengths say.
[[nodiscard]] HRESULT ReadAddinRecord(const BYTE* data, size_t size, AddinEntry& entry);

// The record embedded in `module` (resource ADDINREGISTRATION of type RCDATA).
[[nodiscard]] HRESULT FindAddinRecord(HMODULE module, const BYTE*& data, size_t& size);

// A text of the record as the registry takes it.
inline WideText RecordText(const AddinRecordText& text)
{
    return WideFromAnsi(text.text, text.length);
}

// The add-in's ProgID, which names its entry among the host's add-ins.
inline const wchar_t kAddinProgId[] = L"UninstallDll.Connect";

// The entry's place, "<HKEY_...>\<host key>\Addins\UninstallDll.Connect",
// from the record embedded in `module` (loaded as code or as data).
[[nodiscard]] HRESULT LocateAddinEntry(HMODULE module, AddinEntry& entry, HKEY& root, WideText& key);
