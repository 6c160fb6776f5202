#include "OutlookObjectModel.h"
#include "Result.h"
#include "UniqueResource.h"
#include <oleauto.h>

namespace {

// A VARIANT cleared when it goes.
struct Variant : VARIANT {
    Variant() { VariantInit(this); }
    ~Variant() { VariantClear(this); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
};

[[nodiscard]] HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* args, UINT argCount,
                            VARIANT* result)
{
    if (!object)
        return kObjectVariableNotSet;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS params = {args, nullptr, argCount, 0};
    EXCEPINFO exception = {};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, kind, &params, result, &exception, nullptr);
    if (hr == DISP_E_EXCEPTION && exception.pfnDeferredFillIn)
        exception.pfnDeferredFillIn(&exception);
    UniqueBstr source(exception.bstrSource), description(exception.bstrDescription), helpFile(exception.bstrHelpFile);
    // A server may raise its own error as a wCode instead: mapped as comdef.h's
    // _com_error::WCodeToHRESULT maps it, into FACILITY_ITF from code 0x200 on.
    WORD wCode = exception.wCode;
    if (hr == DISP_E_EXCEPTION && exception.scode)
        hr = exception.scode;
    else if (hr == DISP_E_EXCEPTION)
        hr = wCode ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, wCode >= 0xFE00 ? 0xFFFF : 0x200 + wCode) : E_FAIL;
    return hr;
}

// A property's value converted to `type`.
[[nodiscard]] HRESULT GetPropertyAs(IDispatch* object, const wchar_t* name, VARTYPE type, Variant& value)
{
    HRESULT hr = Invoke(object, name, DISPATCH_PROPERTYGET, nullptr, 0, &value);
    return SUCCEEDED(hr) ? VariantChangeType(&value, &value, 0, type) : hr;
}

[[nodiscard]] HRESULT GetObject(IDispatch* object, const wchar_t* name, WORD kind, VARIANT* args, UINT argCount,
                               ComPtr<IDispatch>& found)
{
    Variant result;
    RETURN_IF_FAILED(Invoke(object, name, kind, args, argCount, &result));
    // `found` keeps what it held unless the call yields an object.
    if (V_VT(&result) == VT_EMPTY || (V_VT(&result) == VT_DISPATCH && !V_DISPATCH(&result)))
        return kObjectVariableNotSet;
    if (V_VT(&result) != VT_DISPATCH)
        return DISP_E_TYPEMISMATCH;
    found = ComPtr<IDispatch>::Share(V_DISPATCH(&result));
    return S_OK;
}

} // namespace

HRESULT ActiveExplorer(IDispatch* application, ComPtr<IDispatch>& explorer)
{
    return GetObject(application, L"ActiveExplorer", DISPATCH_METHOD | DISPATCH_PROPERTYGET, nullptr, 0, explorer);
}

HRESULT CommandBarsOf(IDispatch* explorer, ComPtr<IDispatch>& commandBars)
{
    return GetObject(explorer, L"CommandBars", DISPATCH_PROPERTYGET, nullptr, 0, commandBars);
}

HRESULT CommandBarCount(IDispatch* commandBars, short& count)
{
    Variant result;
    RETURN_IF_FAILED(GetPropertyAs(commandBars, L"Count", VT_I4, result));
    if (V_I4(&result) < -32768 || V_I4(&result) > 32767)
        return kOverflow;
    count = static_cast<short>(V_I4(&result));
    return S_OK;
}

HRESULT CommandBarItem(IDispatch* commandBars, short position, ComPtr<IDispatch>& commandBar)
{
    Variant index;
    V_VT(&index) = VT_I2;
    V_I2(&index) = position;
    return GetObject(commandBars, L"Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, &index, 1, commandBar);
}

HRESULT CommandBarNameContains(IDispatch* commandBar, const wchar_t* text, bool& contains)
{
    Variant name;
    RETURN_IF_FAILED(GetPropertyAs(commandBar, L"Name", VT_BSTR, name));
    // Searched in the BSTR's whole length: a name is not cut at an embedded null.
    const wchar_t* chars = V_BSTR(&name);
    UINT length = SysStringLen(V_BSTR(&name));
    UINT textLength = lstrlenW(text);
    contains = false;
    for (UINT at = 0; !contains && at + textLength <= length; ++at)
        contains = CompareStringOrdinal(chars + at, textLength, text, textLength, FALSE) == CSTR_EQUAL;
    return S_OK;
}

HRESULT DeleteCommandBar(IDispatch* commandBar)
{
    Variant ignored;
    return Invoke(commandBar, L"Delete", DISPATCH_METHOD, nullptr, 0, &ignored);
}
