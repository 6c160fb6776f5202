#pragma once
// The few Outlook and Office command-bar calls the add-in makes, late-bound
// through IDispatch by name. A call on an object that is not there fails with
// kObjectVariableNotSet; other failures are the failing call's own HRESULT.
#include "ComPtr.h"
#include <oaidl.h>

// "Object variable not set": an object-model call yielded no object.
constexpr HRESULT kObjectVariableNotSet = static_cast<HRESULT>(0x800A005B);
// "Overflow": a value did not fit the 16-bit integer it is read into.
constexpr HRESULT kOverflow = static_cast<HRESULT>(0x800A0006);

[[nodiscard]] HRESULT ActiveExplorer(IDispatch* application, ComPtr<IDispatch>& explorer);
[[nodiscard]] HRESULT CommandBarsOf(IDispatch* explorer, ComPtr<IDispatch>& commandBars);
[[nodiscard]] HRESULT CommandBarCount(IDispatch* commandBars, short& count);
[[nodiscard]] HRESULT CommandBarItem(IDispatch* commandBars, short position, ComPtr<IDispatch>& commandBar);
// True when the bar's Name contains `text`, compared case-sensitively.
[[nodiscard]] HRESULT CommandBarNameContains(IDispatch* commandBar, const wchar_t* text, bool& contains);
[[nodiscard]] HRESULT DeleteCommandBar(IDispatch* commandBar);
