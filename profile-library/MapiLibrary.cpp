#include "MapiLibrary.h"

namespace {

template <typename Fn>
bool Bind(HMODULE module, WORD ordinal, Fn& function)
{
    function = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(ordinal))));
    return function != nullptr;
}

} // namespace

MapiLibrary::MapiLibrary() : module_(LoadLibraryW(L"MAPI32.DLL"))
{
    HMODULE m = module_.get();
    bound_ = m && Bind(m, 11, logonEx_) && Bind(m, 17, freeBuffer_) && Bind(m, 21, initialize_) &&
             Bind(m, 23, uninitialize_) && Bind(m, 135, getOneProp_);
}
