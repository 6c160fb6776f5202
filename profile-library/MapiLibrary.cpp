#include "MapiLibrary.h"

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

} // namespace

MapiLibrary::MapiLibrary() : module_(LoadLibraryW(L"MAPI32.DLL"))
{
    HMODULE m = module_.get();
    bound_ = m && Bind(m, kLogonEx, logonEx_) && Bind(m, kFreeBuffer, freeBuffer_) &&
             Bind(m, kInitialize, initialize_) && Bind(m, kUninitialize, uninitialize_) &&
             Bind(m, kGetOneProp, getOneProp_);
}
