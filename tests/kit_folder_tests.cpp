// The kit folder as `cmake --install` stages it for an installer author.
#include "TestSupport.h"
#include <gtest/gtest.h>
#include <fstream>
#include <iterator>
#include <set>

namespace {

std::wstring KitFolder()
{
    return BinFolder() + L"\\..\\kit";
}

void ListFiles(const std::wstring& folder, const std::wstring& prefix, std::set<std::wstring>& files)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListFiles(folder + L"\\" + name, prefix + name + L"\\", files);
        else
            files.insert(prefix + name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

struct PeFacts {
    bool valid = false;
    WORD machine = 0;
    std::set<std::string> imports; // upper case
    std::set<std::string> exports;
};

// Reads the headers and import table from the file itself.
PeFacts ReadPe(const std::wstring& path)
{
    PeFacts facts;
    std::ifstream file(path.c_str(), std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < sizeof(IMAGE_DOS_HEADER) || bytes[0] != 'M' || bytes[1] != 'Z')
        return facts;
    auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(bytes.data());
    auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(bytes.data() + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        return facts;
    facts.valid = true;
    facts.machine = nt->FileHeader.Machine;
    auto* sections = IMAGE_FIRST_SECTION(nt);
    auto offsetOf = [&](DWORD rva) -> size_t {
        for (WORD i = 0; i < nt->FileHeader.NumberOfSections; ++i)
            if (rva >= sections[i].VirtualAddress && rva < sections[i].VirtualAddress + sections[i].SizeOfRawData)
                return rva - sections[i].VirtualAddress + sections[i].PointerToRawData;
        return 0;
    };
    DWORD importRva = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT].VirtualAddress;
    for (auto* entry = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(bytes.data() + offsetOf(importRva));
         importRva && entry->Name; ++entry) {
        std::string name = bytes.data() + offsetOf(entry->Name);
        for (char& c : name)
            c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
        facts.imports.insert(name);
    }
    const IMAGE_DATA_DIRECTORY& exportDir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_EXPORT];
    if (exportDir.VirtualAddress) {
        auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(bytes.data() + offsetOf(exportDir.VirtualAddress));
        auto* names = reinterpret_cast<const DWORD*>(bytes.data() + offsetOf(exports->AddressOfNames));
        for (DWORD i = 0; i < exports->NumberOfNames; ++i)
            facts.exports.insert(bytes.data() + offsetOf(names[i]));
    }
    return facts;
}

std::wstring VersionString(const std::wstring& path, const wchar_t* name)
{
    // Read from a copy: Wine answers for its own uninstaller.exe by that name.
    ScratchFolder folder(L"version");
    std::wstring copy = folder / L"copy.bin";
    CopyFileW(path.c_str(), copy.c_str(), FALSE);
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(copy.c_str(), &ignored);
    if (!size)
        return L"<no version block>";
    std::vector<BYTE> block(size);
    GetFileVersionInfoW(copy.c_str(), 0, size, block.data());
    wchar_t* value = nullptr;
    UINT length = 0;
    std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
        return L"<absent>";
    return std::wstring(value, length).c_str();
}

} // namespace

TEST(StagedKit, HoldsExactlyTheFilesAnInstallerShips)
{
    std::set<std::wstring> files;
    ListFiles(KitFolder(), L"", files);
    EXPECT_EQ(files, (std::set<std::wstring>{L"Uninstaller.exe", L"uninstall.dll", L"Register.exe", L"Pelmor.dll",
                                             L"UninstRegister.bat", L"UninstUnregister.bat", L"include\\Pelmor.h",
                                             L"lib\\libPelmor.dll.a"}));
}

TEST(StagedKit, EachBinaryIsA32BitPeImportingOnlySystemDlls)
{
    const std::set<std::string> system = {"KERNEL32.DLL", "USER32.DLL", "GDI32.DLL", "ADVAPI32.DLL",
                                          "OLE32.DLL", "OLEAUT32.DLL", "MSVCRT.DLL"};
    for (const wchar_t* name : {L"Uninstaller.exe", L"uninstall.dll", L"Register.exe", L"Pelmor.dll"}) {
        PeFacts pe = ReadPe(KitFolder() + L"\\" + name);
        EXPECT_TRUE(pe.valid) << Narrow(name);
        EXPECT_EQ(pe.machine, IMAGE_FILE_MACHINE_I386) << Narrow(name);
        for (const std::string& dll : pe.imports)
            EXPECT_EQ(system.count(dll), 1u) << Narrow(name) << " imports " << dll;
    }
}

TEST(StagedKit, TheLibrariesExportExactlyTheirPlainNames)
{
    EXPECT_EQ(ReadPe(KitFolder() + L"\\uninstall.dll").exports,
              (std::set<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer", "DllUnregisterServer"}));
    EXPECT_EQ(ReadPe(KitFolder() + L"\\Pelmor.dll").exports, (std::set<std::string>{"GetPelmors"}));
}

TEST(StagedKit, VersionBlocksNameEachProgram)
{
    struct Case {
        const wchar_t* file;
        const wchar_t* field;
        const wchar_t* expected;
    } cases[] = {
        {L"Uninstaller.exe", L"FileVersion", L"1.00"},
        {L"Uninstaller.exe", L"ProductVersion", L"1.00"},
        {L"Uninstaller.exe", L"ProductName", L"Uninstall"},
        {L"Uninstaller.exe", L"InternalName", L"Uninstaller"},
        {L"Uninstaller.exe", L"OriginalFilename", L"Uninstaller.exe"},
        {L"Register.exe", L"FileVersion", L"1.00"},
        {L"Register.exe", L"ProductVersion", L"1.00"},
        {L"Register.exe", L"ProductName", L"Register"},
        {L"Register.exe", L"InternalName", L"Register"},
        {L"Register.exe", L"OriginalFilename", L"Register.exe"},
        {L"uninstall.dll", L"FileVersion", L"1.00"},
        {L"uninstall.dll", L"ProductVersion", L"1.00"},
        {L"uninstall.dll", L"OLESelfRegister", L""},
        {L"Pelmor.dll", L"FileVersion", L"<no version block>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(VersionString(KitFolder() + L"\\" + c.file, c.field), c.expected) << Narrow(c.file) << " " << Narrow(c.field);
}
