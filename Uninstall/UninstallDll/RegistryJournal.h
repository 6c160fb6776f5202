#pragma once
// Registry writes that can be undone: each write notes what was there
// before (no key, no value, or the old value), so a registration that fails
// half-way can put everything back as it found it.
#include "HeapVector.h"
#include "Text.h"

class RegistryJournal {
public:
    [[nodiscard]] HRESULT SetString(HKEY root, const wchar_t* key, const wchar_t* valueName, const wchar_t* text);
    [[nodiscard]] HRESULT SetDword(HKEY root, const wchar_t* key, const wchar_t* valueName, DWORD number);
    // Undoes every write so far, newest first.
    void Rollback();

private:
    enum class Action { DeleteKey, DeleteValue, RestoreValue };
    struct Undo {
        Action action = Action::DeleteKey;
        HKEY root = nullptr;
        WideText key;
        WideText valueName;
        DWORD type = 0;
        HeapVector<BYTE> data;
    };
    static constexpr size_t kMaxUndo = 64;

    [[nodiscard]] HRESULT Set(HKEY root, const wchar_t* key, const wchar_t* valueName, DWORD type, const BYTE* data,
                              DWORD size);
    [[nodiscard]] HRESULT CreateKeyNoting(HKEY root, const wchar_t* key, HKEY& opened);
    Undo* Note(Action action, HKEY root, const wchar_t* key, const wchar_t* valueName);

    Undo undo_[kMaxUndo];
    size_t count_ = 0;
};
