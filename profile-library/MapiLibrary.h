#pragma once
// The few pieces of Extended MAPI the library uses, bound from MAPI32.DLL when
// a call needs them (by ordinal on 32-bit, by name on 64-bit: see the .cpp).
// Binding at run time keeps Pelmor.dll loadable where MAPI32 is missing.
#include "UniqueResource.h"
#include <windows.h>
#include <mapix.h>
#include <mapitags.h>
#include <mapiutil.h>

class MapiLibrary {
public:
    MapiLibrary();
    bool Bound() const { return bound_; }

    [[nodiscard]] HRESULT Initialize() const { return initialize_(nullptr); }
    void Uninitialize() const { uninitialize_(); }
    [[nodiscard]] HRESULT LogonEx(ULONG flags, IMAPISession** session) const
    {
        return logonEx_(0, nullptr, nullptr, flags, session);
    }
    [[nodiscard]] HRESULT GetOneProp(IMAPIProp* object, ULONG tag, SPropValue** value) const
    {
        return getOneProp_(object, tag, value);
    }
    void FreeBuffer(void* buffer) const { freeBuffer_(buffer); }

private:
    // HrGetOneProp alone has no pointer type of its own in the headers.
    using GetOnePropFn = decltype(&HrGetOneProp);

    UniqueModule module_;
    bool bound_ = false;
    LPMAPIINITIALIZE initialize_ = nullptr;
    LPMAPIUNINITIALIZE uninitialize_ = nullptr;
    LPMAPILOGONEX logonEx_ = nullptr;
    GetOnePropFn getOneProp_ = nullptr;
    LPMAPIFREEBUFFER freeBuffer_ = nullptr;
};
