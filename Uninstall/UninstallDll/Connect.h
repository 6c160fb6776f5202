#pragma once
// Connect: the add-in object Outlook creates as UninstallDll.Connect. When
// Outlook connects it, it deletes the first command bar of the active
// explorer whose name contains "NOX"; the rest is holding references.
#include "ComObject.h"
#include "ComPtr.h"
#include "Extensibility.h"
#include "Guids.h"

// _Connect, the class's default interface, is the type library's: dual,
// with no members of its own.

class Connect final : public ComObject<Connect, _Connect, IDTExtensibility2> {
public:
    static const InterfaceEntry kInterfaces[];
    [[nodiscard]] static HRESULT Create(REFIID iid, void** object);

    // IDispatch, served from the type library's _Connect
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    // IDTExtensibility2
    STDMETHODIMP OnConnection(IDispatch* Application, ext_ConnectMode ConnectMode, IDispatch* AddInInst,
                              SAFEARRAY** custom) override;
    STDMETHODIMP OnDisconnection(ext_DisconnectMode RemoveMode, SAFEARRAY** custom) override;
    STDMETHODIMP OnAddInsUpdate(SAFEARRAY** custom) override;
    STDMETHODIMP OnStartupComplete(SAFEARRAY** custom) override;
    STDMETHODIMP OnBeginShutdown(SAFEARRAY** custom) override;

private:
    friend class ComObject;
    Connect() = default;
    [[nodiscard]] HRESULT LoadTypeInfo();

    ComPtr<ITypeInfo> typeInfo_;
    ComPtr<IDispatch> oApp;   // Outlook's _Application
    ComPtr<IDispatch> cbBar;  // the command bar last examined
};
