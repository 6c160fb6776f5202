// Stands in for the product's add-in, NOX.dll: a minimal in-process COM server
// whose registration leaves traces a test can read.
//   DllRegisterServer    records the path it was registered from under
//                        HKLM\Software\NoxKitTests\NoxStandIn (its bitness's
//                        view), as the product's machine-wide one would, and adds a
//                        "NOX Toolbar" to the Outlook stand-in's command bars
//                        (CommandBars.txt beside the Outlook of App Paths),
//                        as the product's add-in would show one.
//                        It fails, writing nothing, while the key
//                        HKLM\Software\NoxKitTests\NoxStandInRefuses exists.
//   DllUnregisterServer  removes the record.
#include <windows.h>
#include <string>

namespace {

const wchar_t kRecordKey[] = L"Software\\NoxKitTests\\NoxStandIn";
const wchar_t kRefusalKey[] = L"Software\\NoxKitTests\\NoxStandInRefuses";
const char kBar[] = "NOX Toolbar";

HMODULE g_module = nullptr;

std::wstring ModulePath()
{
    wchar_t path[MAX_PATH * 4];
    return std::wstring(path, GetModuleFileNameW(g_module, path, ARRAYSIZE(path)));
}

std::wstring CommandBarsFileOfOutlook()
{
    wchar_t outlook[MAX_PATH * 4] = {};
    DWORD size = sizeof(outlook);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE",
                     nullptr, RRF_RT_REG_SZ, nullptr, outlook, &size) != ERROR_SUCCESS)
        return L"";
    std::wstring path = outlook;
    return path.substr(0, path.find_last_of(L'\\') + 1) + L"CommandBars.txt";
}

void AddBarToOutlook()
{
    std::wstring file = CommandBarsFileOfOutlook();
    if (file.empty())
        return;
    HANDLE bars = CreateFileW(file.c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (bars == INVALID_HANDLE_VALUE)
        return;
    std::string content(GetFileSize(bars, nullptr), '\0');
    DWORD read = 0;
    ReadFile(bars, &content[0], static_cast<DWORD>(content.size()), &read, nullptr);
    if (("\n" + content).find(std::string("\n") + kBar + "\r\n") == std::string::npos) {
        std::string line = std::string(kBar) + "\r\n";
        DWORD written = 0;
        WriteFile(bars, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }
    CloseHandle(bars);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

STDAPI DllRegisterServer()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kRefusalKey, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegCloseKey(key);
        return E_FAIL;
    }
    LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, kRecordKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return HRESULT_FROM_WIN32(status);
    std::wstring path = ModulePath();
    status = RegSetValueExW(key, L"RegisteredFrom", 0, REG_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                            static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    AddBarToOutlook();
    return HRESULT_FROM_WIN32(status);
}

STDAPI DllUnregisterServer()
{
    LONG status = RegDeleteKeyW(HKEY_LOCAL_MACHINE, kRecordKey);
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
}

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID* object)
{
    *object = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow()
{
    return S_OK;
}
