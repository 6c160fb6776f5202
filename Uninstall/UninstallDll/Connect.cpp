#include "Connect.h"
#include "AppFolder.h"
#include "Guids.h"
#include "Module.h"
#include "OutlookObjectModel.h"
#include "Result.h"

namespace {
const wchar_t kProductName[] = L"NOX";
} // namespace

const InterfaceEntry Connect::kInterfaces[] = {
    {&IID__Connect, As<Connect, _Connect>},
    {&IID_IDispatch, As<Connect, _Connect>},
    {&IID_IDTExtensibility2, As<Connect, IDTExtensibility2>},
    {nullptr, nullptr},
};

HRESULT Connect::Create(REFIID iid, void** object)
{
    return New(iid, object);
}

HRESULT Connect::LoadTypeInfo()
{
    if (typeInfo_)
        return S_OK;
    WideText path;
    RETURN_IF_FAILED(ModuleFilePath(ThisModule(), path));
    ComPtr<ITypeLib> library;
    RETURN_IF_FAILED(LoadTypeLibEx(path.c_str(), REGKIND_NONE, library.put()));
    return library->GetTypeInfoOfGuid(IID__Connect, typeInfo_.put());
}

STDMETHODIMP Connect::GetTypeInfoCount(UINT* count)
{
    if (!count)
        return E_POINTER;
    *count = 1;
    return S_OK;
}

STDMETHODIMP Connect::GetTypeInfo(UINT index, LCID, ITypeInfo** info)
{
    if (!info)
        return E_POINTER;
    *info = nullptr;
    if (index != 0)
        return DISP_E_BADINDEX;
    RETURN_IF_FAILED(LoadTypeInfo());
    *info = typeInfo_.get();
    (*info)->AddRef();
    return S_OK;
}

STDMETHODIMP Connect::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    RETURN_IF_FAILED(LoadTypeInfo());
    return DispGetIDsOfNames(typeInfo_.get(), names, count, ids);
}

STDMETHODIMP Connect::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                             EXCEPINFO* exception, UINT* argError)
{
    RETURN_IF_FAILED(LoadTypeInfo());
    return DispInvoke(static_cast<_Connect*>(this), typeInfo_.get(), id, flags, params, result, exception,
                      argError);
}

STDMETHODIMP Connect::OnConnection(IDispatch* Application, ext_ConnectMode, IDispatch*, SAFEARRAY**)
{
    oApp.reset();
    if (Application)
        RETURN_IF_FAILED(Application->QueryInterface(IID_OutlookApplication, oApp.put_void()));

    ComPtr<IDispatch> explorer, commandBars;
    short count = 0;
    RETURN_IF_FAILED(ActiveExplorer(oApp.get(), explorer));
    RETURN_IF_FAILED(CommandBarsOf(explorer.get(), commandBars));
    RETURN_IF_FAILED(CommandBarCount(commandBars.get(), count));

    // Each pass asks Outlook for the active explorer and its bars anew, as the
    // add-in always has: the explorer in front may change while Outlook starts.
    // The last bar examined stays in cbBar (a member, not a local) until
    // OnDisconnection releases it: the object's state between the two calls.
    for (int i = 1; i <= count; ++i) {
        RETURN_IF_FAILED(ActiveExplorer(oApp.get(), explorer));
        RETURN_IF_FAILED(CommandBarsOf(explorer.get(), commandBars));
        RETURN_IF_FAILED(CommandBarItem(commandBars.get(), static_cast<short>(i), cbBar));
        bool named = false;
        RETURN_IF_FAILED(CommandBarNameContains(cbBar.get(), kProductName, named));
        if (named) {
            RETURN_IF_FAILED(DeleteCommandBar(cbBar.get()));
            break;
        }
    }
    return S_OK;
}

STDMETHODIMP Connect::OnDisconnection(ext_DisconnectMode, SAFEARRAY**)
{
    oApp.reset();
    cbBar.reset();
    return S_OK;
}

STDMETHODIMP Connect::OnAddInsUpdate(SAFEARRAY**)
{
    return S_OK;
}

STDMETHODIMP Connect::OnStartupComplete(SAFEARRAY**)
{
    return S_OK;
}

STDMETHODIMP Connect::OnBeginShutdown(SAFEARRAY**)
{
    return S_OK;
}
