#pragma once
// IUnknown for the stand-ins' COM objects, by the rules any COM object keeps:
// one reference on creation, the interfaces Answers accepts, and FinalRelease
// before the object deletes itself on its last Release. The stand-ins play
// other makers' objects, so they do not borrow the kit's own implementation.
#include <windows.h>
#include <unknwn.h>

template <typename Interface>
class StandInUnknown : public Interface {
public:
    virtual ~StandInUnknown() = default;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override
    {
        *object = nullptr;
        if (!Answers(iid))
            return E_NOINTERFACE;
        *object = static_cast<Interface*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
    STDMETHODIMP_(ULONG) Release() override
    {
        LONG left = InterlockedDecrement(&references_);
        if (left == 0) {
            FinalRelease();
            delete this;
        }
        return left;
    }

protected:
    virtual bool Answers(REFIID iid) const { return iid == IID_IUnknown; }
    virtual void FinalRelease() {}

private:
    LONG references_ = 1;
};
