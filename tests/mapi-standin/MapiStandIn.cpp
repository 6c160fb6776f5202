// MAPI32.DLL stand-in: the five functions a profile-name reader needs, at
// their standard ordinals, over a session whose profile the test chooses.
// It checks the arguments it is given and counts every object and buffer it
// hands out, so a test can see leaks and calls out of order.
#include "MapiStandIn.h"
#include "StandInUnknown.h"
#include <mapix.h>
#include <mapiutil.h>
#include <cstring>
#include <string>

namespace {

CRITICAL_SECTION g_lock;
MapiScenario g_scenario = MapiScenario::NoSession;
std::string g_profile;
MapiStandInReport g_report;

const BYTE kGlobalProfileSection[16] = {0x13, 0xDB, 0xB0, 0xC8, 0xAA, 0x05, 0x10, 0x1A,
                                        0x9B, 0xB0, 0x00, 0xAA, 0x00, 0x2F, 0xC4, 0x5A};
const DWORD kSectionMagic = 0x5EC71011;

void Note(char letter)
{
    EnterCriticalSection(&g_lock);
    size_t n = strlen(g_report.order);
    if (n + 1 < sizeof(g_report.order)) {
        g_report.order[n] = letter;
        g_report.order[n + 1] = '\0';
    }
    LeaveCriticalSection(&g_lock);
}

void Expect(bool condition, const char* what)
{
    if (condition)
        return;
    InterlockedIncrement(&g_report.violations);
    EnterCriticalSection(&g_lock);
    lstrcpynA(g_report.lastViolation, what, sizeof(g_report.lastViolation));
    LeaveCriticalSection(&g_lock);
}

// A reference-counted object that reports its final release.
template <typename Interface>
class Counted : public StandInUnknown<Interface> {
public:
    explicit Counted(char releaseLetter) : releaseLetter_(releaseLetter) { InterlockedIncrement(&g_report.objectsAlive); }

private:
    void FinalRelease() override
    {
        Note(releaseLetter_);
        InterlockedDecrement(&g_report.objectsAlive);
    }

    char releaseLetter_;
};

struct Section : Counted<IUnknown> {
    Section() : Counted<IUnknown>('r') {}
    DWORD magic = kSectionMagic;
};

class Session : public Counted<IMAPISession> {
public:
    Session() : Counted<IMAPISession>('s') {}

    STDMETHODIMP OpenProfileSection(LPMAPIUID uid, LPCIID iid, ULONG flags, LPPROFSECT* section) override
    {
        InterlockedIncrement(&g_report.sectionCalls);
        Note('O');
        Expect(uid && memcmp(uid->ab, kGlobalProfileSection, 16) == 0, "OpenProfileSection: not the global section");
        Expect(iid == nullptr, "OpenProfileSection: an interface id was given");
        Expect(flags == MAPI_MODIFY, "OpenProfileSection: flags other than MAPI_MODIFY");
        if (g_scenario == MapiScenario::SectionFails)
            return MAPI_E_NOT_FOUND;
        *section = reinterpret_cast<LPPROFSECT>(static_cast<IUnknown*>(new Section));
        return S_OK;
    }

    // Nothing else of a session is asked for.
    STDMETHODIMP GetLastError(HRESULT, ULONG, LPMAPIERROR*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP GetMsgStoresTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP OpenMsgStore(ULONG_PTR, ULONG, LPENTRYID, LPCIID, ULONG, LPMDB*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP OpenAddressBook(ULONG_PTR, LPCIID, ULONG, LPADRBOOK*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP GetStatusTable(ULONG, LPMAPITABLE*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP OpenEntry(ULONG, LPENTRYID, LPCIID, ULONG, ULONG*, LPUNKNOWN*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP CompareEntryIDs(ULONG, LPENTRYID, ULONG, LPENTRYID, ULONG, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP Advise(ULONG, LPENTRYID, ULONG, LPMAPIADVISESINK, ULONG*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP Unadvise(ULONG) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP MessageOptions(ULONG_PTR, ULONG, LPTSTR, LPMESSAGE) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP QueryDefaultMessageOpt(LPTSTR, ULONG, ULONG*, LPSPropValue*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP EnumAdrTypes(ULONG, ULONG*, LPTSTR**) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP QueryIdentity(ULONG*, LPENTRYID*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP Logoff(ULONG_PTR, ULONG, ULONG) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP SetDefaultStore(ULONG, ULONG, LPENTRYID) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP AdminServices(ULONG, LPSERVICEADMIN*) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP ShowForm(ULONG_PTR, LPMDB, LPMAPIFOLDER, LPCIID, ULONG, LPMESSAGE, ULONG, ULONG, ULONG, ULONG,
                          LPSTR) override { return MAPI_E_NO_SUPPORT; }
    STDMETHODIMP PrepareForm(LPCIID, LPMESSAGE, ULONG*) override { return MAPI_E_NO_SUPPORT; }
};

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        InitializeCriticalSection(&g_lock);
    return TRUE;
}

extern "C" {

void __stdcall StandInConfigure(MapiScenario scenario, const char* profileName)
{
    g_scenario = scenario;
    g_profile = profileName ? profileName : "";
    g_report = MapiStandInReport();
}

void __stdcall StandInReport(MapiStandInReport* report)
{
    EnterCriticalSection(&g_lock);
    *report = g_report;
    LeaveCriticalSection(&g_lock);
}

HRESULT __stdcall StandInMAPIInitialize(LPVOID init)
{
    InterlockedIncrement(&g_report.initializeCalls);
    Note('I');
    Expect(init == nullptr, "MAPIInitialize: an initialisation block was given");
    if (g_scenario == MapiScenario::InitializeFails)
        return MAPI_E_NOT_INITIALIZED;
    InterlockedIncrement(&g_report.initializeBalance);
    return S_OK;
}

void __stdcall StandInMAPIUninitialize()
{
    InterlockedIncrement(&g_report.uninitializeCalls);
    Note('U');
    InterlockedDecrement(&g_report.initializeBalance);
}

HRESULT __stdcall StandInMAPILogonEx(ULONG_PTR parent, LPSTR profile, LPSTR password, ULONG flags,
                                     LPMAPISESSION* session)
{
    InterlockedIncrement(&g_report.logonCalls);
    Note('L');
    Expect(parent == 0 && profile == nullptr && password == nullptr, "MAPILogonEx: window, profile or password given");
    Expect(flags == 0x8020, "MAPILogonEx: flags other than MAPI_EXTENDED | MAPI_NO_MAIL");
    if (g_scenario == MapiScenario::NoSession)
        return MAPI_E_LOGON_FAILED;
    *session = new Session;
    return S_OK;
}

HRESULT __stdcall StandInHrGetOneProp(LPMAPIPROP object, ULONG tag, LPSPropValue* value)
{
    InterlockedIncrement(&g_report.getPropCalls);
    Note('G');
    auto* section = reinterpret_cast<Section*>(reinterpret_cast<IUnknown*>(object));
    Expect(section && section->magic == kSectionMagic, "HrGetOneProp: not a profile section of this session");
    Expect(tag == PR_PROFILE_NAME_A, "HrGetOneProp: a property other than PR_PROFILE_NAME_A");
    if (g_scenario == MapiScenario::PropertyFails)
        return MAPI_E_NOT_FOUND;
    // One block for the value and its string, as MAPIAllocateBuffer would give.
    auto* block = static_cast<SPropValue*>(HeapAlloc(GetProcessHeap(), 0, sizeof(SPropValue) + g_profile.size() + 1));
    block->ulPropTag = PR_PROFILE_NAME_A;
    block->dwAlignPad = 0;
    block->Value.lpszA = reinterpret_cast<LPSTR>(block + 1);
    memcpy(block->Value.lpszA, g_profile.c_str(), g_profile.size() + 1);
    InterlockedIncrement(&g_report.buffersOutstanding);
    *value = block;
    return S_OK;
}

ULONG __stdcall StandInMAPIFreeBuffer(LPVOID buffer)
{
    InterlockedIncrement(&g_report.freeCalls);
    Note('F');
    if (buffer) {
        HeapFree(GetProcessHeap(), 0, buffer);
        InterlockedDecrement(&g_report.buffersOutstanding);
    }
    return 0;
}

} // extern "C"
