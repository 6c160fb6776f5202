// The kit folder as `cmake --install` stages it for an installer author.
#include "KitVersion.h"
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>
#include <set>

namespace {

// Where the kit was staged, relative to the test program (the 64-bit tests
// look at the one kit the 32-bit build stages).
std::wstring KitFolder()
{
    std::wstring relative = KIT_STAGED_FROM_BIN;
    for (wchar_t& c : relative)
        if (c == L'/')
            c = L'\\';
    return BinFolder() + L"\\" + relative;
}

struct PeFacts {
    bool valid = false;
    WORD magic = 0;   // PE32 or PE32+
    WORD machine = 0;
    std::set<std::string> imports; // upper case
    std::set<std::string> exports;
};

// The parts of the optional header that differ between PE32 and PE32+.
template <typename NtHeaders>
void ReadDirectories(const NtHeaders* nt, IMAGE_DATA_DIRECTORY& imports, IMAGE_DATA_DIRECTORY& exports)
{
    imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    exports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
}

// Reads the headers, import and export tables from the file itself.
PeFacts ReadPe(const std::wstring& path)
{
    PeFacts facts;
    std::ifstream file(path.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER) || bytes[0] != 'M' || bytes[1] != 'Z')
        return facts;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE)
        return facts;
    IMAGE_DATA_DIRECTORY importDir = {}, exportDir = {};
    facts.magic = nt->OptionalHeader.Magic;
    if (facts.magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        ReadDirectories(nt, importDir, exportDir);
    else if (facts.magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        ReadDirectories(reinterpret_cast<const IMAGE_NT_HEADERS64*>(nt), importDir, exportDir);
    else
        return facts;
    facts.valid = true;
    facts.machine = nt->FileHeader.Machine;
    // The section table follows the optional header, whichever size it has.
    auto* sections = reinterpret_cast<const IMAGE_SECTION_HEADER*>(
        reinterpret_cast<const char*>(&nt->OptionalHeader) + nt->FileHeader.SizeOfOptionalHeader);
    auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
            if (rva >= sections[i].VirtualAddress && rva < sections[i].VirtualAddress + sections[i].SizeOfRawData)
                return rva - sections[i].VirtualAddress + sections[i].PointerToRawData;
        return 0;
    };
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(bytes.data() + offsetOf(importDir.VirtualAddress));
         importDir.VirtualAddress && entry->Name; ++entry) {
        std::string name = bytes.data() + offsetOf(entry->Name);
        for (char& c : name)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        facts.imports.insert(name);
    }
    if (exportDir.VirtualAddress) {
        auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(bytes.data() + offsetOf(exportDir.VirtualAddress));
        auto* names = reinterpret_cast<const DWORD*>(bytes.data() + offsetOf(exports->AddressOfNames));
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            facts.exports.insert(bytes.data() + offsetOf(names[i]));
    }
    return facts;
}

// Resources are read from a copy: Wine answers for its own uninstaller.exe by
// that name.
struct CopiedFile {
    ScratchFolder folder{L"copy"};
    std::wstring path;
    explicit CopiedFile(const std::wstring& from) : path(folder / L"copy.bin")
    {
        CopyFileW(from.c_str(), path.c_str(), FALSE);
    }
};

std::vector<BYTE> VersionBlock(const std::wstring& path)
{
    CopiedFile copy(path);
    DWORD ignored = 0;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(copy.path.c_str(), &ignored));
    if (!block.empty())
        GetFileVersionInfoW(copy.path.c_str(), 0, static_cast<DWORD>(block.size()), block.data());
    return block;
}

std::wstring VersionString(const std::wstring& path, const wchar_t* name)
{
    std::vector<BYTE> block = VersionBlock(path);
    if (block.empty())
        return L"<no version block>";
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        return L"<absent>";
    return std::wstring(value, length).c_str();
}

// The numeric file and product versions, "a.b.c.d / a.b.c.d".
std::string VersionNumbers(const std::wstring& path)
{
    std::vector<BYTE> block = VersionBlock(path);
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (block.empty() || !VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length))
        return "<none>";
    auto dotted = [](DWORD high, DWORD low) {
        return std::to_string(HIWORD(high)) + "." + std::to_string(LOWORD(high)) + "." + std::to_string(HIWORD(low)) +
               "." + std::to_string(LOWORD(low));
    };
    return dotted(info->dwFileVersionMS, info->dwFileVersionLS) + " / " +
           dotted(info->dwProductVersionMS, info->dwProductVersionLS);
}

std::string Manifest(const std::wstring& path)
{
    CopiedFile copy(path);
    HMODULE file = LoadLibraryExW(copy.path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    HRSRC found = file ? FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) : nullptr; // RT_MANIFEST
    HGLOBAL loaded = found ? LoadResource(file, found) : nullptr;
    std::string text = loaded ? std::string(static_cast<const char*>(LockResource(loaded)), SizeofResource(file, found))
                              : std::string();
    if (file)
        FreeLibrary(file);
    return text;
}

} // namespace

TEST(StagedKit, HoldsExactlyTheFilesAnInstallerShips)
{
    std::vector<std::wstring> listed = FilesBelow(KitFolder());
    std::set<std::wstring> files(listed.begin(), listed.end());
    EXPECT_EQ(files, (std::set<std::wstring>{L"Uninstaller.exe", L"uninstall.dll", L"Register.exe", L"Pelmor.dll",
                                             L"UninstRegister.bat", L"UninstUnregister.bat", L"include\\Pelmor.h",
                                             L"lib\\libPelmor.dll.a", L"lib\\Pelmor.lib", L"lib\\Pelmor.def",
                                             L"x64\\uninstall.dll", L"x64\\Pelmor.dll", L"x64\\lib\\libPelmor.dll.a",
                                             L"x64\\lib\\Pelmor.lib", L"x64\\lib\\Pelmor.def", L"NOXKitSetup.dll", L"NOXKit.nsh",
                                             L"NOXKit.wxi", L"NOXKitFiles.wxs", L"NOXKit-rows.sql",
                                             L"docs\\installer-authors.md", L"LICENSE.txt", L"SHA256SUMS"}));
}

TEST(StagedKit, EachBinaryIsAPeOfItsFlavourImportingOnlySystemDlls)
{
    const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL",
                                          "OLE32.DLL", "OLEAUT32.DLL", "MSVCRT.DLL", "MSI.DLL"};
    struct Case {
        const wchar_t* name;
        WORD magic;
        WORD machine;
    } cases[] = {
        {L"Uninstaller.exe", IMAGE_NT_OPTIONAL_HDR32_MAGIC, IMAGE_FILE_MACHINE_I386},
        {L"Register.exe", IMAGE_NT_OPTIONAL_HDR32_MAGIC, IMAGE_FILE_MACHINE_I386},
        {L"uninstall.dll", IMAGE_NT_OPTIONAL_HDR32_MAGIC, IMAGE_FILE_MACHINE_I386},
        {L"Pelmor.dll", IMAGE_NT_OPTIONAL_HDR32_MAGIC, IMAGE_FILE_MACHINE_I386},
        {L"NOXKitSetup.dll", IMAGE_NT_OPTIONAL_HDR32_MAGIC, IMAGE_FILE_MACHINE_I386},
        {L"x64\\uninstall.dll", IMAGE_NT_OPTIONAL_HDR64_MAGIC, IMAGE_FILE_MACHINE_AMD64},
        {L"x64\\Pelmor.dll", IMAGE_NT_OPTIONAL_HDR64_MAGIC, IMAGE_FILE_MACHINE_AMD64},
    };
    for (const Case& c : cases) {
        PeFacts pe = ReadPe(KitFolder() + L"\\" + c.name);
        EXPECT_TRUE(pe.valid) << Narrow(c.name);
        EXPECT_EQ(pe.magic, c.magic) << Narrow(c.name);
        EXPECT_EQ(pe.machine, c.machine) << Narrow(c.name);
        for (const std::string& dll : pe.imports)
            EXPECT_EQ(system.count(dll), 1u) << Narrow(c.name) << " imports " << dll;
    }
}

TEST(StagedKit, TheLibrariesOfBothFlavoursExportExactlyTheirPlainNames)
{
    for (const wchar_t* folder : {L"", L"x64\\"}) {
        EXPECT_EQ(ReadPe(KitFolder() + L"\\" + folder + L"uninstall.dll").exports,
                  (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}))
            << Narrow(folder);
        EXPECT_EQ(ReadPe(KitFolder() + L"\\" + folder + L"Pelmor.dll").exports, (std::set<std::string>{"GetPelmors"}))
            << Narrow(folder);
    }
    // The guide's .NET declaration names that export, stdcall, with no decoration to guess.
    std::ifstream file((KitFolder() + L"\\docs\\installer-authors.md").c_str());
    std::string guide((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    EXPECT_NE(guide.find("EntryPoint = \"GetPelmors\", ExactSpelling = true"), std::string::npos);
    EXPECT_NE(guide.find("CallingConvention = CallingConvention.StdCall"), std::string::npos);
    // Windows Installer's entry points, and NSIS's plug-in functions by the names scripts call.
    EXPECT_EQ(ReadPe(KitFolder() + L"\\NOXKitSetup.dll").exports,
              (std::set<std::string>{"CheckInstallFolderAction", "PrepareRegistrationAction", "RegisterProductAction",
                                     "RestoreRegistrationAction", "UnregisterProductAction",
                                     "RegisterCleanupAddinAction", "RunSequenceAction", "RunUnregisterScriptAction",
                                     "CheckInstallFolder", "CanonicalFolder", "RegisterProduct", "UnregisterProduct",
                                     "RunSequence", "RunUnregisterScript", "RemoveInstalledFile"}));
}

TEST(StagedKit, EveryVersionBlockCarriesTheBuildsVersion)
{
    const std::wstring version = Widen(KIT_VERSION_TEXT);
    const WORD numbers[] = {KIT_VERSION_NUMBERS};
    std::string dotted;
    for (WORD number : numbers)
        dotted += (dotted.empty() ? "" : ".") + std::to_string(number);
    struct Case {
        const wchar_t* file;
        const wchar_t* field;
        std::wstring expected;
    } cases[] = {
        {L"Uninstaller.exe", L"ProductName", L"Uninstall"},
        {L"Uninstaller.exe", L"InternalName", L"Uninstaller"},
        {L"Uninstaller.exe", L"OriginalFilename", L"Uninstaller.exe"},
        {L"Register.exe", L"ProductName", L"Register"},
        {L"Register.exe", L"InternalName", L"Register"},
        {L"Register.exe", L"OriginalFilename", L"Register.exe"},
        {L"uninstall.dll", L"OLESelfRegister", L""},
        {L"x64\\uninstall.dll", L"OLESelfRegister", L""},
        {L"Pelmor.dll", L"OriginalFilename", L"Pelmor.dll"},
        {L"NOXKitSetup.dll", L"OriginalFilename", L"NOXKitSetup.dll"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionString(KitFolder() + L"\\" + c.file, c.field), c.expected) << Narrow(c.file) << " " << Narrow(c.field);
    for (const wchar_t* file : {L"Uninstaller.exe", L"Register.exe", L"uninstall.dll", L"x64\\uninstall.dll",
                                L"Pelmor.dll", L"x64\\Pelmor.dll", L"NOXKitSetup.dll"}) {
        SCOPED_TRACE(Narrow(file));
        EXPECT_EQ(VersionString(KitFolder() + L"\\" + file, L"FileVersion"), version);
        EXPECT_EQ(VersionString(KitFolder() + L"\\" + file, L"ProductVersion"), version);
        EXPECT_EQ(VersionNumbers(KitFolder() + L"\\" + file), dotted + " / " + dotted);
    }
}

// The manifest's text is the only guard of DPI awareness: under Wine the
// sequencer's window scales at 144 DPI with or without it, so the behaviour
// tests at 144 DPI pass either way. Windows would stretch an unaware
// program's window as a bitmap instead, blurred.
TEST(StagedKit, EachProgramDeclaresHowWindowsShouldRunIt)
{
    const char* const declarations[] = {
        "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // Windows 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // Windows 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // Windows 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // Windows 10 and 11
        ">true</dpiAware>",
        ">system</dpiAwareness>",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
    };
    for (const wchar_t* program : {L"Uninstaller.exe", L"Register.exe"}) {
        std::string manifest = Manifest(KitFolder() + L"\\" + program);
        ASSERT_FALSE(manifest.empty()) << Narrow(program) << " has no manifest";
        for (const char* declaration : declarations)
            EXPECT_NE(manifest.find(declaration), std::string::npos) << Narrow(program) << ": " << declaration;
    }
}
