// uninstall.dll's registration record, its registration through Wine's own
// regsvr32, COM activation, and Outlook (the stand-in host) loading it.
#include "AddinKeys.h"
#include "AddinRecord.h"
#include "Guids.h"
#include "TestSupport.h"
#include <gtest/gtest.h>

namespace {

const wchar_t kExtensibilityKey[] = L"Software\\Classes\\Interface\\{B65AD801-ABAF-11D0-BB8B-00A0C90F2744}";
#ifdef _WIN64
const wchar_t kOwnPlatform[] = L"win64";
const wchar_t kOtherPlatform[] = L"win32";
#else
const wchar_t kOwnPlatform[] = L"win32";
const wchar_t kOtherPlatform[] = L"win64";
#endif

DWORD Regsvr32(const std::wstring& arguments)
{
    ChildProcess tool(L"regsvr32.exe " + arguments + L" \"" + BinFolder() + L"\\uninstall.dll\"");
    if (!tool.WaitExit(30000))
        return STILL_ACTIVE;
    return tool.ExitCode();
}

std::wstring DllPath()
{
    return BinFolder() + L"\\uninstall.dll";
}

std::vector<BYTE> EmbeddedRecord()
{
    HMODULE dll = LoadLibraryExW(DllPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    const BYTE* data = nullptr;
    size_t size = 0;
    std::vector<BYTE> bytes;
    if (dll && SUCCEEDED(FindAddinRecord(dll, data, size)))
        bytes.assign(data, data + size);
    FreeLibrary(dll);
    return bytes;
}

class AddinRegistration : public testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(Regsvr32(L"/u /s"), 0u); }
    void TearDown() override { Regsvr32(L"/u /s"); }
};

} // namespace

// The record is generated at build time; read as the registration reads it
// (every length checked against the bytes there are), it means the entry.
TEST(AddinRecord, TheEmbeddedRecordMeansTheAddinEntryAndDamagedCopiesAreRefused)
{
    std::vector<BYTE> record = EmbeddedRecord();
    AddinEntry entry = {};
    ASSERT_EQ(ReadAddinRecord(record.data(), record.size(), entry), S_OK);
    EXPECT_EQ(std::string(entry.hostKey.text, entry.hostKey.length), "HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Outlook");
    EXPECT_EQ(std::string(entry.displayName.text, entry.displayName.length), "NOX Uninstall");
    EXPECT_EQ(std::string(entry.description.text, entry.description.length), "NOX Uninstaller DLL");
    EXPECT_EQ(entry.loadBehavior, 16u);

    // After the designer's id: the record's length, then the host key's.
    const size_t recordLength = sizeof(GUID), hostKey = recordLength + 4, hostKeyNull = hostKey + 4 + entry.hostKey.length;
    struct Damage {
        const char* what;
        std::function<void(std::vector<BYTE>&)> apply;
    } damages[] = {
        {"cut short", [](std::vector<BYTE>& r) { r.pop_back(); }},
        {"one byte too many", [](std::vector<BYTE>& r) { r.push_back(0); }},
        {"length says more", [&](std::vector<BYTE>& r) { ++r[recordLength]; }},
        {"length says less", [&](std::vector<BYTE>& r) { --r[recordLength]; }},
        {"host key unterminated", [&](std::vector<BYTE>& r) { r[hostKeyNull] = 'X'; }},
        {"text length past the end", [&](std::vector<BYTE>& r) { r[hostKey] = 0xFF; r[hostKey + 1] = 0xFF; }},
        {"another designer", [](std::vector<BYTE>& r) { r[0] ^= 1; }},
        {"only the designer id", [](std::vector<BYTE>& r) { r.resize(16); }},
    };
    for (const Damage& damage : damages) {
        std::vector<BYTE> copy = record;
        damage.apply(copy);
        AddinEntry ignored = {};
        EXPECT_EQ(ReadAddinRecord(copy.data(), copy.size(), ignored), HRESULT_FROM_WIN32(ERROR_INVALID_DATA)) << damage.what;
    }
}

TEST_F(AddinRegistration, WritesItsEntriesTheSameTwiceAndRemovesOnlyItsOwn)
{
    // Keys that are not ours and must survive unregistration.
    ScopedRegistryString extensibility(HKEY_LOCAL_MACHINE, kExtensibilityKey, L"", std::wstring(L"IDTExtensibility2"));
    ScopedRegistryString sibling(HKEY_CURRENT_USER, std::wstring(kAddinsKey) + L"\\Other.Addin", L"FriendlyName",
                                 std::wstring(L"Another add-in"));

    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER, kAddinKey),
              (Tree{{L"", L"key"}, {L"[FriendlyName]", L"sz:NOX Uninstall"},
                    {L"[Description]", L"sz:NOX Uninstaller DLL"}, {L"[LoadBehavior]", L"dword:16"}}));
    Tree classKey = Snapshot(HKEY_LOCAL_MACHINE, kClassKey);
    EXPECT_EQ(classKey[L"InprocServer32\\[]"], L"sz:" + DllPath());
    EXPECT_EQ(classKey[L"InprocServer32\\[ThreadingModel]"], L"sz:Apartment");
    EXPECT_EQ(classKey[L"ProgID\\[]"], L"sz:UninstallDll.Connect");
    EXPECT_EQ(classKey[L"TypeLib\\[]"], L"sz:" + kLibidText);
    EXPECT_EQ(classKey[L"Version\\[]"], L"sz:1.0");
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, kProgIdKey)[L"CLSID\\[]"], L"sz:" + kClsidText);
    Tree typeLib = Snapshot(HKEY_LOCAL_MACHINE, kTypeLibKey);
    EXPECT_EQ(typeLib[L"1.0\\[]"], L"sz:Anti-Spam");
    EXPECT_EQ(typeLib[L"1.0\\0\\" + std::wstring(kOwnPlatform) + L"\\[]"], L"sz:" + DllPath());
    EXPECT_EQ(typeLib.count(L"1.0\\0\\" + std::wstring(kOtherPlatform) + L"\\"), 0u);
    Tree interfaceKey = Snapshot(HKEY_LOCAL_MACHINE, kInterfaceKey);
    EXPECT_EQ(interfaceKey[L"[]"], L"sz:_Connect");
    EXPECT_EQ(interfaceKey[L"ProxyStubClsid32\\[]"], L"sz:{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(interfaceKey[L"TypeLib\\[]"], L"sz:" + kLibidText);

    std::vector<Tree> once;
    for (const std::wstring& key : kClassKeys)
        once.push_back(Snapshot(HKEY_LOCAL_MACHINE, key));
    once.push_back(Snapshot(HKEY_CURRENT_USER, kAddinKey));
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    std::vector<Tree> twice;
    for (const std::wstring& key : kClassKeys)
        twice.push_back(Snapshot(HKEY_LOCAL_MACHINE, key));
    twice.push_back(Snapshot(HKEY_CURRENT_USER, kAddinKey));
    EXPECT_EQ(once, twice);

    ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
    for (const std::wstring& key : kClassKeys)
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key)) << Narrow(key);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kExtensibilityKey));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, std::wstring(kAddinsKey) + L"\\Other.Addin"));
    EXPECT_EQ(Regsvr32(L"/u /s"), 0u) << "nothing left to remove is not a failure";
}

TEST_F(AddinRegistration, ComCreatesItByProgIdAndFindsItsTypeLibrary)
{
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    CoInitialize(nullptr);
    CLSID clsid = {};
    ASSERT_EQ(CLSIDFromProgID(L"UninstallDll.Connect", &clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_Connect));
    IUnknown* addin = nullptr;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDTExtensibility2, reinterpret_cast<void**>(&addin)), S_OK);
    if (addin)
        addin->Release();

    ITypeLib* library = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_UninstallDll, 1, 0, 0, &library), S_OK);
    BSTR help = nullptr;
    library->GetDocumentation(-1, nullptr, &help, nullptr, nullptr);
    EXPECT_STREQ(help, L"Anti-Spam");
    SysFreeString(help);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(library->GetTypeInfoOfGuid(IID__Connect, &info), S_OK);
    TYPEATTR* attributes = nullptr;
    info->GetTypeAttr(&attributes);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FHIDDEN);
    info->ReleaseTypeAttr(attributes);
    info->Release();
    library->Release();
    CoUninitialize();
}

TEST_F(AddinRegistration, AWriteThatFailsUndoesWhatTheCallWrote)
{
    // The machine's and the user's hives go to scratch keys. In the user's, the
    // add-ins key is volatile, so the add-in entry, written last, cannot be
    // created there (a volatile key takes no lasting subkeys).
    const wchar_t scratch[] = L"Software\\NoxKitTests\\Rollback";
    HKEY machine = nullptr, user = nullptr, addins = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(scratch) + L"\\Machine").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &machine, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(scratch) + L"\\User").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &user, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(user, L"Software\\Microsoft\\Office\\Outlook", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &addins, nullptr), ERROR_SUCCESS);
    RegCloseKey(addins);
    ASSERT_EQ(RegCreateKeyExW(user, kAddinsKey, 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &addins,
                              nullptr), ERROR_SUCCESS);
    RegCloseKey(addins);
    // An earlier registration from another place, which must come back as it was.
    const std::wstring oldServer = L"C:\\Old Place\\uninstall.dll";
    HKEY earlier = nullptr;
    RegCreateKeyExW(machine, (std::wstring(kClassKey) + L"\\InprocServer32").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                    nullptr, &earlier, nullptr);
    RegSetValueExW(earlier, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(oldServer.c_str()),
                   static_cast<DWORD>((oldServer.size() + 1) * 2));
    RegCloseKey(earlier);
    Tree before = Snapshot(machine, L"");
    Tree userBefore = Snapshot(user, L"");

    HMODULE dll = LoadLibraryW(DllPath().c_str());
    auto registerServer = reinterpret_cast<HRESULT(WINAPI*)()>(reinterpret_cast<void*>(GetProcAddress(dll, "DllRegisterServer")));
    ASSERT_EQ(RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine), ERROR_SUCCESS);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CURRENT_USER, user), ERROR_SUCCESS);
    HRESULT hr = registerServer();
    RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    FreeLibrary(dll);

    EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
    EXPECT_EQ(Snapshot(machine, L""), before) << "the failed registration left entries behind";
    EXPECT_EQ(Snapshot(user, L""), userBefore);
    RegCloseKey(machine);
    RegCloseKey(user);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\NoxKitTests");
}

TEST_F(AddinRegistration, OutlookLoadsItOnceAndItDeletesTheProductsBar)
{
    ScratchFolder folder(L"host");
    folder.CopyFromBin(L"OutlookStandIn.exe");
    folder.WriteText(L"CommandBars.txt", "Standard\r\nNOX Toolbar\r\nWeb\r\nNOX 2\r\n");
    ASSERT_EQ(Regsvr32(L"/s"), 0u);

    auto runOutlook = [&] { EXPECT_TRUE(RunOutlookUntilClosed(folder / L"OutlookStandIn.exe")); };
    auto addinCalls = [&] {
        std::vector<std::string> calls;
        for (const LogLine& line : ReadLog(folder / L"OutlookStandIn.log"))
            if (line.event == "addin")
                calls.push_back(line.detail);
        return calls;
    };

    runOutlook();
    EXPECT_EQ(addinCalls(), (std::vector<std::string>{
                                "UninstallDll.Connect OnConnection 0x00000000",
                                "UninstallDll.Connect OnStartupComplete 0x00000000",
                                "UninstallDll.Connect OnBeginShutdown 0x00000000",
                                "UninstallDll.Connect OnDisconnection 0x00000000"}));
    std::vector<LogLine> log = ReadLog(folder / L"OutlookStandIn.log");
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back().event, "exited");
    std::string barsAfter;
    for (const LogLine& line : log)
        if (line.event == "bars")
            barsAfter = line.detail;
    EXPECT_EQ(barsAfter, "Standard|Web|NOX 2");
    EXPECT_EQ(Snapshot(HKEY_CURRENT_USER, kAddinKey)[L"[LoadBehavior]"], L"dword:9");

    runOutlook();
    std::vector<std::string> calls = addinCalls();
    EXPECT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls.back(), "UninstallDll.Connect not loaded, LoadBehavior 9");

    ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClassKey));
}

namespace {

// The other flavour's registration, as its own DLL would have written it in
// its registry view, beside this flavour's; removed when the test ends.
struct OtherFlavourRegistered {
    const std::wstring path = L"C:\\Program Files\\NOX\\other flavour\\uninstall.dll";
    OtherFlavourRegistered()
    {
        SetRegistryString(HKEY_LOCAL_MACHINE, std::wstring(kClassKey) + L"\\InprocServer32", L"", path, kOtherView);
        SetRegistryString(HKEY_LOCAL_MACHINE, kInterfaceKey, L"", L"_Connect", kOtherView);
        SetRegistryString(HKEY_LOCAL_MACHINE, kProgIdKey + std::wstring(L"\\CLSID"), L"",
                          kClsidText, kOtherView);
        SetRegistryString(HKEY_LOCAL_MACHINE, std::wstring(kTypeLibKey) + L"\\1.0\\0\\" + kOtherPlatform, L"", path,
                          kOtherView);
        SetRegistryString(HKEY_CURRENT_USER, kAddinKey, L"FriendlyName", L"NOX Uninstall");
    }
    ~OtherFlavourRegistered()
    {
        for (const std::wstring& key : kClassKeys)
            DeleteRegistryTree(HKEY_LOCAL_MACHINE, key, kOtherView);
        DeleteRegistryTree(HKEY_CURRENT_USER, kAddinKey);
    }
};

} // namespace

TEST_F(AddinRegistration, UnregisteringLeavesTheOtherFlavoursRegistrationWhole)
{
    OtherFlavourRegistered other;
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    Tree typeLib = Snapshot(HKEY_LOCAL_MACHINE, kTypeLibKey);
    EXPECT_EQ(typeLib[L"1.0\\0\\" + std::wstring(kOwnPlatform) + L"\\[]"], L"sz:" + DllPath());
    EXPECT_EQ(typeLib[L"1.0\\0\\" + std::wstring(kOtherPlatform) + L"\\[]"], L"sz:" + other.path)
        << "the type library key is shared by both views";
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, kClassKey)[L"InprocServer32\\[]"], L"sz:" + DllPath());
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, kClassKey, kOtherView)[L"InprocServer32\\[]"], L"sz:" + other.path)
        << "the class keys are kept apart per view";

    ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kClassKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kInterfaceKey));
    typeLib = Snapshot(HKEY_LOCAL_MACHINE, kTypeLibKey);
    EXPECT_EQ(typeLib.count(L"1.0\\0\\" + std::wstring(kOwnPlatform) + L"\\"), 0u);
    EXPECT_EQ(typeLib[L"1.0\\0\\" + std::wstring(kOtherPlatform) + L"\\[]"], L"sz:" + other.path);
    EXPECT_EQ(typeLib[L"1.0\\[]"], L"sz:Anti-Spam") << "the version key went while the other flavour needs it";
    EXPECT_EQ(Snapshot(HKEY_LOCAL_MACHINE, kClassKey, kOtherView)[L"InprocServer32\\[]"], L"sz:" + other.path);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kInterfaceKey, kOtherView));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::wstring(kProgIdKey) + L"\\CLSID", kOtherView));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kAddinKey)) << "the other flavour's Outlook would no longer load it";
}

TEST_F(AddinRegistration, TheLastFlavourUnregisteredTakesTheSharedEntriesFromBothViews)
{
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    // Where Windows keeps the ProgID apart per view, the other flavour's copy
    // is there too.
    SetRegistryString(HKEY_LOCAL_MACHINE, std::wstring(kProgIdKey) + L"\\CLSID", L"",
                      kClsidText, kOtherView);
    ASSERT_EQ(Regsvr32(L"/u /s"), 0u);
    for (REGSAM view : {REGSAM(0), kOtherView}) {
        for (const std::wstring& key : kClassKeys)
            EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key, view)) << Narrow(key) << " view " << view;
    }
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kAddinKey));
}
