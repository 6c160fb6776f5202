#include "MapiLibrary.h"
#include "AppFolder.h"

namespace {

// 32-bit MAPI32 builds agree on these ordinals but not on every exported
// name (HrGetOneProp is decorated in some). 64-bit MAPI32 documents its
// functions by their plain names only, and those carry no decoration there.
struct MapiExport {
    WORD ordinal;
    const char* name;
};
constexpr MapiExport kLogonEx = {11, "MAPILogonEx"};
constexpr MapiExport kFreeBuffer = {17, "MAPIFreeBuffer"};
constexpr MapiExport kInitialize = {21, "MAPIInitialize"};
constexpr MapiExport kUninitialize = {23, "MAPIUninitialize"};
constexpr MapiExport kGetOneProp = {135, "HrGetOneProp"};

template <typename Fn>
bool Bind(HMODULE module, const MapiExport& which, Fn& function)
{
#ifdef _WIN64
    const char* key = which.name;
#else
    const char* key = MAKEINTRESOURCEA(which.ordinal);
#endif
    function = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, key)));
    return function != nullptr;
}

// MAPI32 from the system folder only: searched by bare name, Windows would
// look in the calling program's folder first, where anyone who can write
// there could plant a MAPI32.DLL to run inside the caller. (A 32-bit caller
// on 64-bit Windows gets the 32-bit system folder's copy.)
HMODULE LoadSystemMapi()
{
    HMODULE module = LoadLibraryExW(L"MAPI32.DLL", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER)
        return module;
    // Windows that predates the search flags: the same file by its full path.
    WideText path;
    if (FAILED(PathInSystemFolder(L"MAPI32.DLL", path)))
        return nullptr;
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace

MapiLibrary::MapiLibrary() : module_(LoadSystemMapi())
{
    HMODULE m = module_.get();
    bound_ = m && Bind(m, kLogonEx, logonEx_) && Bind(m, kFreeBuffer, freeBuffer_) &&
             Bind(m, kInitialize, initialize_) && Bind(m, kUninitialize, uninitialize_) &&
             Bind(m, kGetOneProp, getOneProp_);
}
