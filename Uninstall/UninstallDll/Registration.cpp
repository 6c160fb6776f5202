#include "Registration.h"
#include "AddinRecord.h"
#include "AppFolder.h"
#include "Guids.h"
#include "RegistryKeys.h"
#include "Result.h"

namespace {

const wchar_t kTypeLibMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

// The server's keys, named by the identities the type library declares.
struct ServerKeys {
    GuidText clsid{CLSID_Connect};
    GuidText libid{LIBID_UninstallDll};
    WideText classKey = WideText(L"Software\\Classes\\CLSID\\").Append(clsid.text);
    WideText progIdKey = WideText(L"Software\\Classes\\").Append(kAddinProgId);
    WideText typeLibKey = WideText(L"Software\\Classes\\TypeLib\\").Append(libid.text);
    WideText interfaceKey = WideText(L"Software\\Classes\\Interface\\").Append(GuidText(IID__Connect).text);
};

// Each flavour registers its class in its own registry view. The type
// library's key is one both views share (Windows keeps 0\win32 and 0\win64
// side by side in it), and so are the ProgID and the add-in entry: those go
// only with the last flavour registered.
#ifdef _WIN64
#define TYPELIB_FILE_KEY L"1.0\\0\\win64"
constexpr REGSAM kOtherView = KEY_WOW64_32KEY;
#else
#define TYPELIB_FILE_KEY L"1.0\\0\\win32"
constexpr REGSAM kOtherView = KEY_WOW64_64KEY;
#endif
constexpr REGSAM kOwnView = 0;

struct Row {
    HKEY root;
    const WideText& key;
    const wchar_t* subkey;    // below key; "" for the key itself
    const wchar_t* valueName; // null: the key's default value
    const wchar_t* text;      // null: a DWORD value
    DWORD number;
};

} // namespace

HRESULT RegisterServer(HMODULE module)
{
    AddinEntry entry;
    HKEY addinRoot = nullptr;
    WideText addinKey;
    RETURN_IF_FAILED(LocateAddinEntry(module, entry, addinRoot, addinKey));
    WideText path;
    RETURN_IF_FAILED(ModuleFilePath(module, path));
    WideText folder = FolderOfPath(path.c_str());

    ServerKeys keys;
    const Row rows[] = {
        {HKEY_LOCAL_MACHINE, keys.classKey, L"", nullptr, kAddinProgId, 0},
        {HKEY_LOCAL_MACHINE, keys.classKey, L"InprocServer32", nullptr, path.c_str(), 0},
        {HKEY_LOCAL_MACHINE, keys.classKey, L"InprocServer32", L"ThreadingModel", L"Apartment", 0},
        {HKEY_LOCAL_MACHINE, keys.classKey, L"ProgID", nullptr, kAddinProgId, 0},
        {HKEY_LOCAL_MACHINE, keys.classKey, L"TypeLib", nullptr, keys.libid.text, 0},
        {HKEY_LOCAL_MACHINE, keys.classKey, L"Version", nullptr, L"1.0", 0},
        {HKEY_LOCAL_MACHINE, keys.progIdKey, L"", nullptr, kAddinProgId, 0},
        {HKEY_LOCAL_MACHINE, keys.progIdKey, L"CLSID", nullptr, keys.clsid.text, 0},
        {HKEY_LOCAL_MACHINE, keys.typeLibKey, L"1.0", nullptr, L"Anti-Spam", 0},
        {HKEY_LOCAL_MACHINE, keys.typeLibKey, TYPELIB_FILE_KEY, nullptr, path.c_str(), 0},
        {HKEY_LOCAL_MACHINE, keys.typeLibKey, L"1.0\\FLAGS", nullptr, L"0", 0},
        {HKEY_LOCAL_MACHINE, keys.typeLibKey, L"1.0\\HELPDIR", nullptr, folder.c_str(), 0},
        {HKEY_LOCAL_MACHINE, keys.interfaceKey, L"", nullptr, L"_Connect", 0},
        {HKEY_LOCAL_MACHINE, keys.interfaceKey, L"ProxyStubClsid", nullptr, kTypeLibMarshaler, 0},
        {HKEY_LOCAL_MACHINE, keys.interfaceKey, L"ProxyStubClsid32", nullptr, kTypeLibMarshaler, 0},
        {HKEY_LOCAL_MACHINE, keys.interfaceKey, L"TypeLib", nullptr, keys.libid.text, 0},
        {HKEY_LOCAL_MACHINE, keys.interfaceKey, L"TypeLib", L"Version", L"1.0", 0},
    };

    RegistryJournal journal;
    for (const Row& row : rows) {
        WideText key = SubkeyPath(row.key.c_str(), row.subkey);
        HRESULT hr = row.text ? journal.SetString(row.root, key.c_str(), row.valueName, row.text)
                              : journal.SetDword(row.root, key.c_str(), row.valueName, row.number);
        if (FAILED(hr)) {
            journal.Rollback();
            return hr;
        }
    }
    HRESULT hr = WriteAddinEntry(journal, addinRoot, addinKey.c_str(), entry);
    if (FAILED(hr))
        journal.Rollback();
    return hr;
}

HRESULT WriteAddinEntry(RegistryJournal& journal, HKEY root, const wchar_t* key, const AddinEntry& entry)
{
    RETURN_IF_FAILED(journal.SetString(root, key, L"FriendlyName", RecordText(entry.displayName).c_str()));
    RETURN_IF_FAILED(journal.SetString(root, key, L"Description", RecordText(entry.description).c_str()));
    return journal.SetDword(root, key, L"LoadBehavior", entry.loadBehavior);
}

HRESULT UnregisterServer(HMODULE module)
{
    AddinEntry entry;
    HKEY addinRoot = nullptr;
    WideText addinKey;
    RETURN_IF_FAILED(LocateAddinEntry(module, entry, addinRoot, addinKey));

    ServerKeys keys;
    WideText versionKey = SubkeyPath(keys.typeLibKey.c_str(), L"1.0");
    HRESULT result = S_OK; // the first failure; every removal is tried
    auto note = [&result](LONG status) {
        if (status != ERROR_SUCCESS && SUCCEEDED(result))
            result = HRESULT_FROM_WIN32(status);
    };
    note(DeleteTree(HKEY_LOCAL_MACHINE, keys.classKey.c_str(), kOwnView));
    note(DeleteTree(HKEY_LOCAL_MACHINE, keys.interfaceKey.c_str(), kOwnView));
    note(DeleteTree(HKEY_LOCAL_MACHINE, SubkeyPath(keys.typeLibKey.c_str(), TYPELIB_FILE_KEY).c_str(), kOwnView));
    bool otherFlavourLeft =
        KeyExists(HKEY_LOCAL_MACHINE, SubkeyPath(keys.classKey.c_str(), L"InprocServer32").c_str(), kOtherView);
    const REGSAM views[] = {kOwnView, kOtherView};
    for (REGSAM view : views) {
        // The version key goes when neither platform's file is left in it.
        if (!HasSubkeys(HKEY_LOCAL_MACHINE, SubkeyPath(versionKey.c_str(), L"0").c_str(), view)) {
            note(DeleteTree(HKEY_LOCAL_MACHINE, versionKey.c_str(), view));
            // Fails, as it should, while another version of the library is registered.
            RegDeleteKeyExW(HKEY_LOCAL_MACHINE, keys.typeLibKey.c_str(), view, 0);
        }
        if (!otherFlavourLeft) {
            note(DeleteTree(HKEY_LOCAL_MACHINE, keys.progIdKey.c_str(), view));
            note(DeleteTree(addinRoot, addinKey.c_str(), view));
        }
    }
    return result;
}
