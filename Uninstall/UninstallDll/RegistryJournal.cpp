#include "RegistryJournal.h"
#include "RegistryKeys.h"
#include "Result.h"

RegistryJournal::Undo* RegistryJournal::Note(Action action, HKEY root, const wchar_t* key, const wchar_t* valueName)
{
    if (count_ == kMaxUndo)
        return nullptr;
    Undo& undo = undo_[count_++];
    undo.action = action;
    undo.root = root;
    undo.key = WideText(key);
    undo.valueName = WideText(valueName ? valueName : L"");
    return &undo;
}

HRESULT RegistryJournal::CreateKeyNoting(HKEY root, const wchar_t* key, HKEY& opened)
{
    // One level at a time, so that every key this call brings into being is noted.
    WideText path(key);
    for (size_t end = 0; end <= path.size(); ++end) {
        if (end < path.size() && path[end] != L'\\')
            continue;
        WideText prefix(path.c_str(), end);
        UniqueRegKey level;
        DWORD disposition = 0;
        RETURN_IF_WIN32_ERROR(RegCreateKeyExW(root, prefix.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                              KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, level.put(), &disposition));
        if (disposition == REG_CREATED_NEW_KEY && !Note(Action::DeleteKey, root, prefix.c_str(), nullptr))
            return E_OUTOFMEMORY;
        if (end == path.size())
            opened = level.release();
    }
    return S_OK;
}

HRESULT RegistryJournal::Set(HKEY root, const wchar_t* key, const wchar_t* valueName, DWORD type, const BYTE* data,
                             DWORD size)
{
    UniqueRegKey opened;
    RETURN_IF_FAILED(CreateKeyNoting(root, key, *opened.put()));

    DWORD oldType = 0;
    DWORD oldSize = 0;
    bool existed = RegQueryValueExW(opened.get(), valueName, nullptr, &oldType, nullptr, &oldSize) == ERROR_SUCCESS;
    Undo* undo = Note(existed ? Action::RestoreValue : Action::DeleteValue, root, key, valueName);
    if (!undo)
        return E_OUTOFMEMORY;
    if (existed) {
        // A value that cannot be read could not be put back either: it is not
        // written, and has nothing to undo.
        undo->type = oldType;
        undo->data.Resize(oldSize);
        LONG status = RegQueryValueExW(opened.get(), valueName, nullptr, &oldType, undo->data.data(), &oldSize);
        if (status != ERROR_SUCCESS) {
            --count_;
            return HRESULT_FROM_WIN32(status);
        }
    }
    LONG status = RegSetValueExW(opened.get(), valueName, 0, type, data, size);
    return HRESULT_FROM_WIN32(status);
}

HRESULT RegistryJournal::SetString(HKEY root, const wchar_t* key, const wchar_t* valueName, const wchar_t* text)
{
    DWORD size = static_cast<DWORD>((WideText::Length(text) + 1) * sizeof(wchar_t));
    return Set(root, key, valueName, REG_SZ, reinterpret_cast<const BYTE*>(text), size);
}

HRESULT RegistryJournal::SetDword(HKEY root, const wchar_t* key, const wchar_t* valueName, DWORD number)
{
    return Set(root, key, valueName, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number));
}

void RegistryJournal::Rollback()
{
    while (count_ > 0) {
        Undo& undo = undo_[--count_];
        const wchar_t* valueName = undo.valueName.empty() ? nullptr : undo.valueName.c_str();
        if (undo.action == Action::DeleteKey) {
            RegDeleteKeyW(undo.root, undo.key.c_str());
            continue;
        }
        UniqueRegKey key = OpenKey(undo.root, undo.key.c_str(), KEY_SET_VALUE);
        if (!key)
            continue;
        if (undo.action == Action::DeleteValue)
            RegDeleteValueW(key.get(), valueName);
        else
            RegSetValueExW(key.get(), valueName, 0, undo.type, undo.data.data(), static_cast<DWORD>(undo.data.size()));
    }
}
