// The Connect add-in object, created from uninstall.dll and connected to the
// fake Outlook object model in this process.
#include "Extensibility.h"
#include "FakeOutlook.h"
#include "Guids.h"
#include "OutlookObjectModel.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

namespace {

using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
using CanUnloadNowFn = HRESULT(WINAPI*)();

class ConnectTest : public testing::Test {
protected:
    void SetUp() override
    {
        CoInitialize(nullptr);
        dll_ = LoadLibraryW((BinFolder() + L"\\uninstall.dll").c_str());
        ASSERT_NE(dll_, nullptr);
        getClassObject_ = reinterpret_cast<GetClassObjectFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "DllGetClassObject")));
        canUnloadNow_ = reinterpret_cast<CanUnloadNowFn>(reinterpret_cast<void*>(GetProcAddress(dll_, "DllCanUnloadNow")));
        ASSERT_TRUE(getClassObject_ && canUnloadNow_);
    }
    void TearDown() override
    {
        FreeLibrary(dll_);
        CoUninitialize();
    }

    IClassFactory* Factory()
    {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(getClassObject_(CLSID_Connect, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        return factory;
    }
    IDTExtensibility2* NewConnect()
    {
        IClassFactory* factory = Factory();
        IDTExtensibility2* addin = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDTExtensibility2, reinterpret_cast<void**>(&addin)), S_OK);
        factory->Release();
        return addin;
    }

    HMODULE dll_ = nullptr;
    GetClassObjectFn getClassObject_ = nullptr;
    CanUnloadNowFn canUnloadNow_ = nullptr;
};

ULONG References(IUnknown* object)
{
    object->AddRef();
    return object->Release();
}

} // namespace

TEST_F(ConnectTest, OnConnectionDeletesOnlyTheFirstBarNamedNoxAndReleasesAllAtDisconnection)
{
    using Explorer = FakeOutlookState::Explorer;
    const HRESULT kWCode42 = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200 + 42); // raised as a wCode
    struct Case {
        const char* what;
        std::vector<std::wstring> bars;
        Explorer explorer;
        long countOverride;
        bool answersApplication;
        HRESULT deleteRaises;
        HRESULT result;
        std::vector<std::wstring> barsAfter;
        int heldBar; // first position of the bar Connect holds after connecting, 0 for none
    } cases[] = {
        {"two NOX bars", {L"Standard", L"NOX Toolbar", L"Web", L"NOX 2"}, Explorer::Present, -1, true, S_OK, S_OK,
         {L"Standard", L"Web", L"NOX 2"}, 2},
        {"other letter case", {L"nox", L"Nox Toolbar", L"Web"}, Explorer::Present, -1, true, S_OK, S_OK,
         {L"nox", L"Nox Toolbar", L"Web"}, 3},
        {"no bar matches", {L"Standard", L"Web"}, Explorer::Present, -1, true, S_OK, S_OK, {L"Standard", L"Web"}, 2},
        {"no bars", {}, Explorer::Present, -1, true, S_OK, S_OK, {}, 0},
        {"no active explorer", {L"NOX"}, Explorer::NullDispatch, -1, true, S_OK, kObjectVariableNotSet, {L"NOX"}, 0},
        {"active explorer empty", {L"NOX"}, Explorer::Empty, -1, true, S_OK, kObjectVariableNotSet, {L"NOX"}, 0},
        {"count above 32767", {L"NOX"}, Explorer::Present, 40000, true, S_OK, kOverflow, {L"NOX"}, 0},
        {"not Outlook's _Application", {L"NOX"}, Explorer::Present, -1, false, S_OK, E_NOINTERFACE, {L"NOX"}, 0},
        {"Delete raises", {L"Web", L"NOX"}, Explorer::Present, -1, true, E_ACCESSDENIED, E_ACCESSDENIED, {L"Web", L"NOX"}, 2},
        {"Delete raises a wCode", {L"NOX"}, Explorer::Present, -1, true, kWCode42, kWCode42, {L"NOX"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto state = std::make_shared<FakeOutlookState>();
        state->SetBars(c.bars);
        state->explorer = c.explorer;
        state->countOverride = c.countOverride;
        state->answersApplicationIid = c.answersApplication;
        state->deleteRaises = c.deleteRaises;
        IDispatch* application = CreateFakeApplication(state);
        long aliveBefore = FakeObjectsAlive();
        ULONG referencesBefore = References(application);

        IDTExtensibility2* addin = NewConnect();
        ASSERT_NE(addin, nullptr);
        EXPECT_EQ(addin->OnConnection(application, ext_cm_Startup, nullptr, nullptr), c.result);
        EXPECT_EQ(state->BarNames(), c.barsAfter);
        EXPECT_LE(state->countReads, 1) << "Count was read more than once";
        for (VARTYPE type : state->itemIndexTypes)
            EXPECT_EQ(type, VT_I2) << "Item was not given a 16-bit index";
        if (c.heldBar) {
            ASSERT_EQ(state->barObjectsAlive.size(), 1u);
            EXPECT_EQ(state->barObjectsAlive.begin()->first, c.heldBar);
        } else {
            EXPECT_TRUE(state->barObjectsAlive.empty());
        }

        EXPECT_EQ(addin->OnDisconnection(ext_dm_HostShutdown, nullptr), S_OK);
        EXPECT_TRUE(state->barObjectsAlive.empty());
        EXPECT_EQ(References(application), referencesBefore);
        addin->Release();
        EXPECT_EQ(FakeObjectsAlive(), aliveBefore);
        application->Release();
    }
}

TEST_F(ConnectTest, TheOtherEventsSucceedAndDoNothing)
{
    IDTExtensibility2* addin = NewConnect();
    SAFEARRAY* custom = SafeArrayCreateVector(VT_VARIANT, 0, 0);
    EXPECT_EQ(addin->OnAddInsUpdate(&custom), S_OK);
    EXPECT_EQ(addin->OnStartupComplete(&custom), S_OK);
    EXPECT_EQ(addin->OnBeginShutdown(&custom), S_OK);
    EXPECT_EQ(addin->OnDisconnection(ext_dm_UserClosed, &custom), S_OK);
    SafeArrayDestroy(custom);
    addin->Release();
}

TEST_F(ConnectTest, TheServerHandsOutConnectAndCountsWhatKeepsItLoaded)
{
    void* object = nullptr;
    const CLSID other = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
    EXPECT_EQ(getClassObject_(other, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(canUnloadNow_(), S_OK);

    IClassFactory* factory = Factory();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "a factory is alive";
    IUnknown* connect = nullptr;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&connect)), S_OK);
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "an object and a lock are alive";

    for (const IID* iid : {&IID_IDTExtensibility2, &IID__Connect, &IID_IDispatch, &IID_IUnknown}) {
        IUnknown* answer = nullptr;
        EXPECT_EQ(connect->QueryInterface(*iid, reinterpret_cast<void**>(&answer)), S_OK);
        if (answer)
            answer->Release();
    }
    IDispatch* dispatch = nullptr;
    connect->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
    ITypeInfo* info = nullptr;
    ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    EXPECT_TRUE(IsEqualGUID(attributes->guid, IID__Connect)) << "IDispatch is not served from _Connect";
    info->ReleaseTypeAttr(attributes);
    info->Release();
    dispatch->Release();

    connect->Release();
    EXPECT_EQ(canUnloadNow_(), S_FALSE) << "the lock is still held";
    IClassFactory* again = Factory();
    again->LockServer(FALSE);
    again->Release();
    EXPECT_EQ(canUnloadNow_(), S_OK);
}
