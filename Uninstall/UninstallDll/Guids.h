#pragma once
#include <windows.h>

// The add-in's own identities.
extern const CLSID CLSID_Connect;           // {0B467E24-3081-45BE-BD2E-B134E73C87E9}
extern const IID IID__Connect;              // {DBF124D5-EC3D-4609-8E5F-991D3802BD23}
extern const GUID LIBID_UninstallDll;       // {42A16CBD-E568-4F8F-9382-E3912DAB246D}

// The system's, which the add-in uses but does not own.
extern const IID IID_IDTExtensibility2;     // {B65AD801-ABAF-11D0-BB8B-00A0C90F2744}
extern const IID IID_OutlookApplication;    // Outlook's _Application {00063001-0000-0000-C000-000000000046}
extern const GUID CLSID_AddinDesigner;      // {AC0714F7-3D04-11D1-AE7D-00A0C90F26F4}
