#pragma once
// The few pieces of Extended MAPI the library uses, bound from MAPI32.DLL when
// a call needs them (by ordinal on 32-bit, by name on 64-bit: see the .cpp).
// Binding at run time keeps Pelmor.dll loadable where MAPI32 is missing.
#include "UniqueResource.h"

struct MapiUid {
    BYTE bytes[16];
};

// Layout of MAPI's SPropValue as far as a string property needs it.
struct MapiPropValue {
    ULONG propTag;
    ULONG alignPad;
    union {
        LPSTR stringA;
        LONGLONG alignment;
    } value;
};

// IMAPISession up to the one method used; the rest of its vtable follows.
struct IMapiSession : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetLastError(HRESULT, ULONG, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetMsgStoresTable(ULONG, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenMsgStore(ULONG_PTR, ULONG, void*, const IID*, ULONG, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenAddressBook(ULONG_PTR, const IID*, ULONG, void**) = 0;
    virtual HRESULT STDMETHODCALLTYPE OpenProfileSection(MapiUid* uid, const IID* iid, ULONG flags,
                                                         IUnknown** section) = 0;
};

constexpr ULONG kMapiExtended = 0x00000020;
constexpr ULONG kMapiNoMail = 0x00008000;
constexpr ULONG kMapiModify = 0x00000001;
constexpr ULONG kProfileNameTagA = 0x3D12001E; // PR_PROFILE_NAME_A

class MapiLibrary {
public:
    MapiLibrary();
    bool Bound() const { return bound_; }

    HRESULT Initialize() const { return initialize_(nullptr); }
    void Uninitialize() const { uninitialize_(); }
    HRESULT LogonEx(ULONG flags, IMapiSession** session) const
    {
        return logonEx_(0, nullptr, nullptr, flags, session);
    }
    HRESULT GetOneProp(IUnknown* object, ULONG tag, MapiPropValue** value) const
    {
        return getOneProp_(object, tag, value);
    }
    void FreeBuffer(void* buffer) const { freeBuffer_(buffer); }

private:
    using InitializeFn = HRESULT(WINAPI*)(void*);
    using UninitializeFn = void(WINAPI*)();
    using LogonExFn = HRESULT(WINAPI*)(ULONG_PTR, LPSTR, LPSTR, ULONG, IMapiSession**);
    using GetOnePropFn = HRESULT(WINAPI*)(IUnknown*, ULONG, MapiPropValue**);
    using FreeBufferFn = ULONG(WINAPI*)(void*);

    UniqueModule module_;
    bool bound_ = false;
    InitializeFn initialize_ = nullptr;
    UninitializeFn uninitialize_ = nullptr;
    LogonExFn logonEx_ = nullptr;
    GetOnePropFn getOneProp_ = nullptr;
    FreeBufferFn freeBuffer_ = nullptr;
};
