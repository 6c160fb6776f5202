#include "FakeOutlook.h"
#include "StandInUnknown.h"

const IID IID_FakeOutlookApplication = {0x00063001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

namespace {

volatile LONG g_alive = 0;

enum Member : DISPID { ActiveExplorer = 1, CommandBars, Count, Item, Name, Delete };

struct MemberName {
    const wchar_t* name;
    DISPID id;
};
const MemberName kMembers[] = {{L"ActiveExplorer", ActiveExplorer}, {L"CommandBars", CommandBars}, {L"Count", Count},
                               {L"Item", Item}, {L"Name", Name}, {L"Delete", Delete}};

class FakeObject : public StandInUnknown<IDispatch> {
public:
    enum class Kind { Application, Explorer, CommandBars, CommandBar };

    FakeObject(Kind kind, std::shared_ptr<FakeOutlookState> state, int barId = 0)
        : kind_(kind), state_(std::move(state)), barId_(barId)
    {
        InterlockedIncrement(&g_alive);
        if (kind_ == Kind::CommandBar)
            ++state_->barObjectsAlive[barId_];
    }
    virtual ~FakeObject()
    {
        InterlockedDecrement(&g_alive);
        if (kind_ == Kind::CommandBar && --state_->barObjectsAlive[barId_] == 0)
            state_->barObjectsAlive.erase(barId_);
    }

    bool Answers(REFIID iid) const override
    {
        bool application = kind_ == Kind::Application && iid == IID_FakeOutlookApplication && state_->answersApplicationIid;
        return iid == IID_IUnknown || iid == IID_IDispatch || application;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override
    {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override
    {
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            for (const MemberName& member : kMembers)
                if (_wcsicmp(names[i], member.name) == 0)
                    ids[i] = member.id;
            if (ids[i] == DISPID_UNKNOWN)
                return DISP_E_UNKNOWNNAME;
        }
        return S_OK;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                        UINT*) override
    {
        VARIANT ignored;
        if (!result)
            result = &ignored;
        VariantInit(result);
        switch (kind_) {
        case Kind::Application:
            if (id != ActiveExplorer)
                return DISP_E_MEMBERNOTFOUND;
            if (state_->explorer == FakeOutlookState::Explorer::Empty)
                return S_OK;
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = state_->explorer == FakeOutlookState::Explorer::Present
                                     ? new FakeObject(Kind::Explorer, state_) : nullptr;
            return S_OK;
        case Kind::Explorer:
            if (id != CommandBars)
                return DISP_E_MEMBERNOTFOUND;
            V_VT(result) = VT_DISPATCH;
            V_DISPATCH(result) = new FakeObject(Kind::CommandBars, state_);
            return S_OK;
        case Kind::CommandBars:
            return InvokeCommandBars(id, params, result);
        case Kind::CommandBar:
            return InvokeCommandBar(id, result, exception);
        }
        return DISP_E_MEMBERNOTFOUND;
    }

private:
    HRESULT InvokeCommandBars(DISPID id, DISPPARAMS* params, VARIANT* result)
    {
        if (id == Count) {
            ++state_->countReads;
            V_VT(result) = VT_I4;
            V_I4(result) = state_->countOverride >= 0 ? state_->countOverride : static_cast<long>(state_->bars.size());
            return S_OK;
        }
        if (id != Item)
            return DISP_E_MEMBERNOTFOUND;
        if (!params || params->cArgs != 1)
            return DISP_E_BADPARAMCOUNT;
        state_->itemIndexTypes.push_back(V_VT(&params->rgvarg[0]));
        VARIANT index;
        VariantInit(&index);
        if (FAILED(VariantChangeType(&index, &params->rgvarg[0], 0, VT_I4)))
            return DISP_E_TYPEMISMATCH;
        if (V_I4(&index) < 1 || V_I4(&index) > static_cast<long>(state_->bars.size()))
            return DISP_E_BADINDEX;
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = new FakeObject(Kind::CommandBar, state_, state_->bars[V_I4(&index) - 1].id);
        return S_OK;
    }

    HRESULT InvokeCommandBar(DISPID id, VARIANT* result, EXCEPINFO* exception)
    {
        auto bar = state_->bars.begin();
        while (bar != state_->bars.end() && bar->id != barId_)
            ++bar;
        if (bar == state_->bars.end())
            return E_FAIL; // deleted already
        if (id == Name) {
            V_VT(result) = VT_BSTR;
            V_BSTR(result) = SysAllocStringLen(bar->name.c_str(), static_cast<UINT>(bar->name.size()));
            return S_OK;
        }
        if (id == Delete && FAILED(state_->deleteRaises)) {
            if (exception) {
                *exception = EXCEPINFO();
                exception->bstrDescription = SysAllocString(L"The bar cannot be deleted.");
                // FACILITY_ITF's codes from 0x200 on are raised as a wCode, as servers raise their own.
                HRESULT code = state_->deleteRaises;
                bool asWCode = HRESULT_FACILITY(code) == FACILITY_ITF && HRESULT_CODE(code) >= 0x200;
                exception->scode = asWCode ? 0 : code;
                exception->wCode = asWCode ? static_cast<WORD>(HRESULT_CODE(code) - 0x200) : 0;
            }
            return DISP_E_EXCEPTION;
        }
        if (id == Delete) {
            state_->deleted.push_back(bar->name);
            state_->bars.erase(bar);
            return S_OK;
        }
        return DISP_E_MEMBERNOTFOUND;
    }

    Kind kind_;
    std::shared_ptr<FakeOutlookState> state_;
    int barId_;
};

} // namespace

void FakeOutlookState::SetBars(const std::vector<std::wstring>& names)
{
    bars.clear();
    for (const std::wstring& name : names)
        bars.push_back({static_cast<int>(bars.size()) + 1, name});
}

std::vector<std::wstring> FakeOutlookState::BarNames() const
{
    std::vector<std::wstring> names;
    for (const Bar& bar : bars)
        names.push_back(bar.name);
    return names;
}

IDispatch* CreateFakeApplication(std::shared_ptr<FakeOutlookState> state)
{
    return new FakeObject(FakeObject::Kind::Application, std::move(state));
}

long FakeObjectsAlive()
{
    return g_alive;
}
