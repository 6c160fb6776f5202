#include "AddinHost.h"
#include "EventLog.h"
#include <cstdio>

namespace {

const wchar_t kAddinsKey[] = L"Software\\Microsoft\\Office\\Outlook\\Addins";
const IID kIID_IDTExtensibility2 = {0xB65AD801, 0xABAF, 0x11D0, {0xBB, 0x8B, 0x00, 0xA0, 0xC9, 0x0F, 0x27, 0x44}};

// The empty custom() array Office passes to every add-in event.
struct CustomArray {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    ~CustomArray() { SafeArrayDestroy(array); }
};

std::vector<std::pair<std::wstring, DWORD>> RegisteredAddins()
{
    std::vector<std::pair<std::wstring, DWORD>> addins;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kAddinsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return addins;
    wchar_t name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = ARRAYSIZE(name);
        if (RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        DWORD behavior = 0;
        DWORD size = sizeof(behavior);
        RegGetValueW(key, name, L"LoadBehavior", RRF_RT_REG_DWORD, nullptr, &behavior, &size);
        addins.emplace_back(name, behavior);
    }
    RegCloseKey(key);
    return addins;
}

} // namespace

void AddinHost::LogCall(const std::wstring& progId, const char* call, HRESULT hr)
{
    char code[16];
    std::snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(hr));
    log_("addin", Narrow(progId) + " " + call + " " + code);
}

void AddinHost::Start(IDispatch* application)
{
    CustomArray custom;
    for (const auto& [progId, behavior] : RegisteredAddins()) {
        if (behavior != 16 && behavior != 3) {
            log_("addin", Narrow(progId) + " not loaded, LoadBehavior " + std::to_string(behavior));
            continue;
        }
        CLSID clsid;
        HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
        IUnknown* unknown = nullptr;
        if (SUCCEEDED(hr))
            hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, reinterpret_cast<void**>(&unknown));
        IDTExtensibility2* addin = nullptr;
        if (SUCCEEDED(hr)) {
            hr = unknown->QueryInterface(kIID_IDTExtensibility2, reinterpret_cast<void**>(&addin));
            unknown->Release();
        }
        if (FAILED(hr)) {
            LogCall(progId, "create", hr);
            continue;
        }
        hr = addin->OnConnection(application, ext_cm_Startup, nullptr, &custom.array);
        LogCall(progId, "OnConnection", hr);
        if (FAILED(hr)) {
            addin->Release(); // Office drops an add-in that fails to connect
            continue;
        }
        loaded_.push_back({progId, behavior, addin});
    }
    for (const Loaded& loaded : loaded_)
        LogCall(loaded.progId, "OnStartupComplete", loaded.addin->OnStartupComplete(&custom.array));
}

void AddinHost::Shutdown()
{
    CustomArray custom;
    for (const Loaded& loaded : loaded_)
        LogCall(loaded.progId, "OnBeginShutdown", loaded.addin->OnBeginShutdown(&custom.array));
    for (const Loaded& loaded : loaded_) {
        LogCall(loaded.progId, "OnDisconnection", loaded.addin->OnDisconnection(ext_dm_HostShutdown, &custom.array));
        loaded.addin->Release();
        if (loaded.loadBehavior == 16) {
            DWORD afterFirstSession = 9;
            RegSetKeyValueW(HKEY_CURRENT_USER, (std::wstring(kAddinsKey) + L"\\" + loaded.progId).c_str(),
                            L"LoadBehavior", REG_DWORD, &afterFirstSession, sizeof(afterFirstSession));
        }
    }
    loaded_.clear();
}
