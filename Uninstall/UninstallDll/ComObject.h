#pragma once
// The IUnknown of the server's COM objects, written once: QueryInterface from
// a table (as QITAB and QISearch have it), a count, the module held loaded.
// Objects come from the process heap: no exception support in the server.
#include "Module.h"
#include <unknwn.h>

// One interface a class answers for: its IID, and the object seen as it.
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*as)(void* object);
};

template <typename Class, typename Interface>
IUnknown* As(void* object) { return static_cast<Interface*>(static_cast<Class*>(object)); }

// Class derives from this and lists its interfaces in Class::kInterfaces
// (the first answers for IUnknown too; a null IID ends the table).
template <typename Class, typename... Interfaces>
class ComObject : public Interfaces... {
public:
    static void* operator new(size_t size) noexcept { return HeapAlloc(GetProcessHeap(), 0, size); }
    static void operator delete(void* object) noexcept { HeapFree(GetProcessHeap(), 0, object); }

    // A new object's interface `iid`; the object goes again if it has none.
    template <typename... Arguments>
    [[nodiscard]] static HRESULT New(REFIID iid, void** result, Arguments... arguments)
    {
        Class* created = new Class(arguments...);
        if (!created)
            return E_OUTOFMEMORY;
        HRESULT hr = created->QueryInterface(iid, result);
        created->Release();
        return hr;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** result) override
    {
        if (!result)
            return E_POINTER;
        *result = nullptr;
        for (const InterfaceEntry* entry = Class::kInterfaces; entry->iid; ++entry) {
            if (*entry->iid == iid || (entry == Class::kInterfaces && iid == IID_IUnknown)) {
                *result = entry->as(static_cast<Class*>(this));
                AddRef();
                return S_OK;
            }
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0)
            delete this;
        return left;
    }

protected:
    ComObject() { ModuleLock(); }
    virtual ~ComObject() { ModuleUnlock(); }

private:
    LONG references_ = 1;
};
