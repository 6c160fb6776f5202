#pragma once
#include <windows.h>

// The add-in's own identities (CLSID_Connect, IID__Connect,
// LIBID_UninstallDll) and its _Connect interface, as UninstallDll.idl
// declares them; the build generates this header from it.
#include "UninstallDll_h.h"

// The system's, which the add-in uses but does not own.
extern const IID IID_IDTExtensibility2;     // {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
extern const IID IID_OutlookApplication;    // Outlook's _Application {00063001-0000-0000-C000-000000000046}
extern const GUID CLSID_AddinDesigner;      // {AC0714F7-3D04-11D1-AE7D-00A0C90F26F4}

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", as the registry names a GUID.
struct GuidText {
    explicit GuidText(REFGUID guid) { StringFromGUID2(guid, text, ARRAYSIZE(text)); }
    wchar_t text[39];
};
