#include "TestSupport.h"
#include "UniqueResource.h"
#include <shellapi.h>
#include <tlhelp32.h>
#include <algorithm>

const wchar_t kOutlookAppPathKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\OUTLOOK.EXE";

std::wstring BinFolder()
{
    wchar_t path[MAX_PATH * 4];
    return FolderOfPathText(std::wstring(path, GetModuleFileNameW(nullptr, path, ARRAYSIZE(path))));
}

namespace {

std::wstring Environment(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableW(name, value, MAX_PATH);
    return length < MAX_PATH ? std::wstring(value, length) : std::wstring();
}

} // namespace

std::wstring ProgramFilesFolder(bool x64)
{
    std::wstring folder = Environment(x64 ? L"ProgramW6432" : L"ProgramFiles(x86)");
    return folder.empty() ? Environment(L"ProgramFiles") : folder;
}

std::wstring SystemFolder()
{
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    return length < MAX_PATH ? std::wstring(system, length) : std::wstring();
}

std::wstring FlavourBinFolder(bool x64)
{
    // The 64-bit build lies in <32-bit build>\x64, each with its own bin.
    if (x64 == kBuiltAs64Bit)
        return BinFolder();
    return BinFolder() + (x64 ? L"\\..\\x64\\bin" : L"\\..\\..\\bin");
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs)
{
    DWORD start = GetTickCount();
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(pollMs);
    }
}

ScratchFolder::ScratchFolder(const std::wstring& nameHint)
{
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    // Process ids come round again from run to run; a folder that exists
    // already (left by an earlier run) is never reused.
    static unsigned counter = 0;
    do {
        path_ = std::wstring(temp) + nameHint + L" " + std::to_wstring(GetCurrentProcessId()) + L"-" +
                std::to_wstring(++counter);
    } while (!CreateDirectoryW(path_.c_str(), nullptr) && GetLastError() == ERROR_ALREADY_EXISTS);
}

void RemoveFolderTree(const std::wstring& folder)
{
    std::wstring from = folder + L'\0'; // double-null-terminated list
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    for (int attempt = 0; attempt < 20 && GetFileAttributesW(folder.c_str()) != INVALID_FILE_ATTRIBUTES &&
                          SHFileOperationW(&op) != 0;
         ++attempt)
        Sleep(100); // a program just ended may still hold its file
}

std::wstring FolderOfPathText(const std::wstring& path)
{
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? L"" : path.substr(0, cut);
}

void WriteFileText(const std::wstring& path, const std::string& content)
{
    UniqueFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file)
        WriteFile(file.get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

namespace {

void CollectFiles(const std::wstring& folder, const std::wstring& relative, std::vector<std::wstring>& files)
{
    WIN32_FIND_DATAW found = {};
    UniqueFindHandle search(FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!search)
        return;
    do {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectFiles(folder + L"\\" + name, relative + name + L"\\", files);
        else
            files.push_back(relative + name);
    } while (FindNextFileW(search.get(), &found));
}

} // namespace

std::vector<std::wstring> FilesBelow(const std::wstring& folder)
{
    std::vector<std::wstring> files;
    CollectFiles(folder, L"", files);
    std::sort(files.begin(), files.end());
    return files;
}

namespace {

// Calls `visit` with each other process whose program's path starts with
// `prefix` (compared without case), opened for `access`, and the length of
// that path.
void ForEachProcessRunning(const std::wstring& prefix, DWORD access,
                           const std::function<void(HANDLE, DWORD pid, DWORD pathLength)>& visit)
{
    UniqueFileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId())
            continue;
        UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | access, FALSE, entry.th32ProcessID));
        if (!process)
            continue;
        wchar_t image[MAX_PATH * 2] = {};
        DWORD length = ARRAYSIZE(image);
        if (QueryFullProcessImageNameW(process.get(), 0, image, &length) && length >= prefix.size() &&
            CompareStringOrdinal(image, static_cast<int>(prefix.size()), prefix.c_str(), static_cast<int>(prefix.size()),
                                 TRUE) == CSTR_EQUAL)
            visit(process.get(), entry.th32ProcessID, length);
    }
}

} // namespace

int EndProcessesRunningFrom(const std::wstring& folder)
{
    int ended = 0;
    ForEachProcessRunning(folder + L"\\", PROCESS_TERMINATE | SYNCHRONIZE, [&](HANDLE process, DWORD, DWORD) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        ++ended;
    });
    return ended;
}

std::vector<DWORD> ProcessesRunning(const std::wstring& program)
{
    std::vector<DWORD> found;
    ForEachProcessRunning(program, 0, [&](HANDLE, DWORD pid, DWORD pathLength) {
        if (pathLength == program.size())
            found.push_back(pid);
    });
    return found;
}

ScratchFolder::~ScratchFolder()
{
    RemoveFolderTree(path_);
}

void ScratchFolder::CopyFromBin(const std::wstring& binName, const std::wstring& asName) const
{
    CopyFileW((BinFolder() + L"\\" + binName).c_str(), (*this / (asName.empty() ? binName : asName)).c_str(), FALSE);
}

void ScratchFolder::WriteText(const std::wstring& name, const std::string& content) const
{
    WriteFileText(*this / name, content);
}

bool UnderWine()
{
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

HANDLE FilteredToken()
{
    HANDLE own = nullptr, filtered = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_QUERY, &own))
        return nullptr;
    BOOL made = CreateRestrictedToken(own, LUA_TOKEN, 0, nullptr, 0, nullptr, 0, nullptr, &filtered);
    CloseHandle(own);
    if (!made)
        return nullptr;
    // Medium integrity, as the desktop's programs have it ("S-1-16-8192").
    SID_IDENTIFIER_AUTHORITY label = SECURITY_MANDATORY_LABEL_AUTHORITY;
    PSID medium = nullptr;
    bool lowered = AllocateAndInitializeSid(&label, 1, SECURITY_MANDATORY_MEDIUM_RID, 0, 0, 0, 0, 0, 0, 0, &medium);
    if (lowered) {
        TOKEN_MANDATORY_LABEL level = {{medium, SE_GROUP_INTEGRITY}};
        lowered = SetTokenInformation(filtered, TokenIntegrityLevel, &level, sizeof(level) + GetLengthSid(medium));
        FreeSid(medium);
    }
    if (!lowered) {
        CloseHandle(filtered);
        return nullptr;
    }
    return filtered;
}

ChildProcess::ChildProcess(const std::wstring& commandLine, WORD show, HANDLE token)
{
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION info = {};
    std::wstring writable = commandLine;
    BOOL started = token ? CreateProcessAsUserW(token, nullptr, &writable[0], nullptr, nullptr, FALSE, 0, nullptr,
                                                nullptr, &startup, &info)
                         : CreateProcessW(nullptr, &writable[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                          &startup, &info);
    if (started) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        pid_ = info.dwProcessId;
    }
}

ChildProcess::~ChildProcess()
{
    if (!process_)
        return;
    if (Running()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : process_(other.process_), pid_(other.pid_)
{
    other.process_ = nullptr;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept
{
    std::swap(process_, other.process_);
    std::swap(pid_, other.pid_);
    return *this;
}

void ChildProcess::Detach()
{
    if (process_)
        CloseHandle(process_);
    process_ = nullptr;
}

bool ChildProcess::WaitExit(DWORD timeoutMs) const
{
    return process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

namespace {

struct WindowSearch {
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM param)
{
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->pid && (!search->visibleOnly || IsWindowVisible(window)))
        search->found.push_back(window);
    return TRUE;
}

} // namespace

std::vector<HWND> WindowsOfProcess(DWORD pid, bool visibleOnly)
{
    WindowSearch search{pid, visibleOnly, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowText(HWND window)
{
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, ARRAYSIZE(text));
    return text;
}

HWND FindMessageBox(DWORD pid)
{
    for (HWND window : WindowsOfProcess(pid, true)) {
        wchar_t className[64] = {};
        GetClassNameW(window, className, ARRAYSIZE(className));
        if (std::wstring(className) == L"#32770" && GetDlgItem(window, IDOK))
            return window;
    }
    return nullptr;
}

std::wstring MessageBoxText(HWND box)
{
    return WindowText(GetDlgItem(box, 0xFFFF));
}

void DismissMessageBox(HWND box)
{
    SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
}

ScopedRegistryString::ScopedRegistryString(HKEY root, const std::wstring& keyPath, const std::wstring& valueName,
                                           const std::optional<std::wstring>& value, REGSAM view, DWORD type)
    : root_(root), view_(view), keyPath_(keyPath), valueName_(valueName)
{
    if (UniqueRegKey key = OpenKey(root, keyPath.c_str(), KEY_READ | view)) {
        keyExisted_ = true;
        wchar_t data[4096];
        DWORD size = sizeof(data);
        if (RegQueryValueExW(key.get(), valueName.c_str(), nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size) ==
            ERROR_SUCCESS)
            previous_ = std::wstring(data, size / sizeof(wchar_t)).c_str();
    }
    if (value)
        SetRegistryString(root, keyPath, valueName, *value, view, type);
    else
        RegDeleteKeyExW(root, keyPath.c_str(), view, 0);
}

ScopedRegistryString::~ScopedRegistryString()
{
    if (!keyExisted_)
        RegDeleteKeyExW(root_, keyPath_.c_str(), view_, 0);
    else if (previous_)
        SetRegistryString(root_, keyPath_, valueName_, *previous_, view_);
    else if (UniqueRegKey key = OpenKey(root_, keyPath_.c_str(), KEY_SET_VALUE | view_))
        RegDeleteValueW(key.get(), valueName_.c_str());
}

namespace {

void CollectTree(HKEY key, const std::wstring& prefix, REGSAM view, Tree& tree)
{
    wchar_t name[512];
    BYTE data[4096];
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = ARRAYSIZE(name), size = sizeof(data), type = 0;
        if (RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size) != ERROR_SUCCESS)
            break;
        std::wstring value = type == REG_DWORD ? L"dword:" + std::to_wstring(*reinterpret_cast<DWORD*>(data))
                                               : L"sz:" + std::wstring(reinterpret_cast<wchar_t*>(data)).substr(0, size / 2);
        tree[prefix + L"[" + name + L"]"] = value.c_str();
    }
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = ARRAYSIZE(name);
        if (RegEnumKeyExW(key, i, name, &nameLength, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (UniqueRegKey sub = OpenKey(key, name, KEY_READ | view)) {
            tree[prefix + name + L"\\"] = L"key";
            CollectTree(sub.get(), prefix + name + L"\\", view, tree);
        }
    }
}

} // namespace

Tree Snapshot(HKEY root, const std::wstring& path, REGSAM view)
{
    Tree tree;
    if (UniqueRegKey key = OpenKey(root, path.c_str(), KEY_READ | view)) {
        tree[L""] = L"key";
        CollectTree(key.get(), L"", view, tree);
    }
    return tree;
}

std::wstring StringValue(const Tree& tree, const std::wstring& path)
{
    auto value = tree.find(path);
    return value != tree.end() && value->second.compare(0, 3, L"sz:") == 0 ? value->second.substr(3) : L"";
}

std::vector<std::wstring> KeysWhereStringIs(const Tree& tree, const std::wstring& name, const std::wstring& text)
{
    const std::wstring suffix = L"\\[" + name + L"]";
    std::vector<std::wstring> keys;
    for (const auto& value : tree) {
        const std::wstring& path = value.first;
        if (value.second == L"sz:" + text && path.size() > suffix.size() &&
            path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0)
            keys.push_back(path.substr(0, path.size() - suffix.size()));
    }
    return keys;
}

bool SetRegistryString(HKEY root, const std::wstring& path, const std::wstring& valueName, const std::wstring& value,
                       REGSAM view, DWORD type)
{
    UniqueRegKey key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE | view, nullptr, key.put(), nullptr) !=
        ERROR_SUCCESS)
        return false;
    return RegSetValueExW(key.get(), valueName.empty() ? nullptr : valueName.c_str(), 0, type,
                          reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}


namespace {
const wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
} // namespace

PlantedDll::PlantedDll(const std::wstring& folder, const std::wstring& baseName)
    : path_(folder + L"\\" + baseName + L".dll")
{
    CopyFileW((BinFolder() + L"\\PlantedDll.dll").c_str(), path_.c_str(), FALSE);
}

bool PlantedDll::Loaded() const
{
    return GetFileAttributesW((path_ + L".loaded").c_str()) != INVALID_FILE_ATTRIBUTES;
}

SystemMapiStandIn::SystemMapiStandIn()
{
    target_ = SystemFolder() + L"\\MAPI32.DLL";
    saved_ = target_ + L".kit-saved";
    // A run interrupted before it put Wine's own back has saved it already.
    if (GetFileAttributesW(saved_.c_str()) == INVALID_FILE_ATTRIBUTES)
        MoveFileW(target_.c_str(), saved_.c_str());
    installed_ = CopyFileW((BinFolder() + L"\\MapiStandIn.dll").c_str(), target_.c_str(), FALSE) != 0;
}

SystemMapiStandIn::~SystemMapiStandIn()
{
    if (GetFileAttributesW(saved_.c_str()) != INVALID_FILE_ATTRIBUTES)
        MoveFileExW(saved_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING);
}

ScopedScreenDpi::ScopedScreenDpi(DWORD dpi)
{
    DWORD size = sizeof(previous_);
    had_ = RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", RRF_RT_REG_DWORD, nullptr, &previous_, &size) ==
           ERROR_SUCCESS;
    RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
}

ScopedScreenDpi::~ScopedScreenDpi()
{
    if (had_)
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels", REG_DWORD, &previous_, sizeof(previous_));
    else
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktopKey, L"LogPixels");
}

bool RunOutlookUntilClosed(const std::wstring& path)
{
    ChildProcess outlook(L"\"" + path + L"\"");
    bool shown = WaitUntil([&] { return !WindowsOfProcess(outlook.Pid(), true).empty(); }, 10000);
    return CloseAsUser(outlook.Pid()) && shown;
}

bool CloseAsUser(DWORD pid, DWORD timeoutMs)
{
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, pid);
    for (HWND window : WindowsOfProcess(pid, true))
        PostMessageW(window, WM_CLOSE, 0, 0);
    bool ended = !process || WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
    if (process)
        CloseHandle(process);
    return ended;
}
