#pragma once
// Loads COM add-ins as Outlook does at start-up: every entry under
// HKCU\Software\Microsoft\Office\Outlook\Addins whose LoadBehavior asks for
// loading (16, connect at next start only; 3, at every start) is created by
// ProgID and connected; at shutdown each is told and disconnected, and a
// LoadBehavior of 16 becomes 9, as Office leaves it after the first session.
#include "Extensibility.h"
#include <functional>
#include <string>
#include <vector>

class AddinHost {
public:
    using Logger = std::function<void(const std::string& event, const std::string& detail)>;
    explicit AddinHost(Logger log) : log_(std::move(log)) {}
    ~AddinHost() { Shutdown(); }

    void Start(IDispatch* application);
    void Shutdown();

private:
    struct Loaded {
        std::wstring progId;
        DWORD loadBehavior;
        IDTExtensibility2* addin;
    };
    void LogCall(const std::wstring& progId, const char* call, HRESULT hr);

    Logger log_;
    std::vector<Loaded> loaded_;
};
