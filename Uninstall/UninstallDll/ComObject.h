#pragma once
// The IUnknown of the server's COM objects, written once: QueryInterface from
// a table of the interfaces a class answers for (as QITAB and QISearch have
// it), a reference count that deletes the object at zero, and the module
// held loaded while the object lives.
#include "HeapAllocated.h"
#include "Module.h"
#include <unknwn.h>

// One interface a class answers for: its IID, and the object seen as it.
struct InterfaceEntry {
    const IID* iid;
    IUnknown* (*as)(void* object);
};

template <typename Class, typename Interface>
IUnknown* As(void* object)
{
    return static_cast<Interface*>(static_cast<Class*>(object));
}

// The interface `iid` of `object` from its table (ended by a null IID),
// AddRef'd; the first entry answers for IUnknown too.
inline HRESULT QueryInterfaceFromTable(void* object, const InterfaceEntry* table, REFIID iid, void** result)
{
    if (!result)
        return E_POINTER;
    *result = nullptr;
    for (const InterfaceEntry* entry = table; entry->iid; ++entry) {
        if (*entry->iid == iid || (entry == table && iid == IID_IUnknown)) {
            IUnknown* found = entry->as(object);
            found->AddRef();
            *result = found;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// Class derives from this, lists its interfaces in Class::kInterfaces, and
// is created with new and a count of 1, which its creator releases.
template <typename Class, typename... Interfaces>
class ComObject : public Interfaces..., public HeapAllocated {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        return QueryInterfaceFromTable(static_cast<Class*>(this), Class::kInterfaces, iid, object);
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
