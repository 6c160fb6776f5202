#include "ClassFactory.h"
#include "ComObject.h"

namespace {

class ClassFactory final : public ComObject<ClassFactory, IClassFactory> {
public:
    static const InterfaceEntry kInterfaces[];
    explicit ClassFactory(CreateInstanceFn create) : create_(create) {}

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        return create_(iid, object);
    }
    STDMETHODIMP LockServer(BOOL lock) override
    {
        lock ? ModuleLock() : ModuleUnlock();
        return S_OK;
    }

private:
    CreateInstanceFn create_;
};

const InterfaceEntry ClassFactory::kInterfaces[] = {
    {&IID_IClassFactory, As<ClassFactory, IClassFactory>},
    {nullptr, nullptr},
};

} // namespace

HRESULT GetClassObjectFromTable(const ClassEntry* table, size_t count, REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    for (size_t i = 0; i < count; ++i) {
        if (*table[i].clsid == clsid)
            return ClassFactory::New(iid, object, table[i].create);
    }
    return CLASS_E_CLASSNOTAVAILABLE;
}
