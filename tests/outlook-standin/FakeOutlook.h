#pragma once
// A fake of the part of Outlook's object model an add-in uses to reach the
// command bars: Application.ActiveExplorer.CommandBars.{Count, Item(i)} and
// CommandBar.{Name, Delete}, all late-bound through IDispatch. The Outlook
// stand-in hosts add-ins against it; tests drive the add-in object with it
// in-process and look at what happened.
#include <oaidl.h>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct FakeOutlookState {
    struct Bar {
        int id;
        std::wstring name;
    };
    std::vector<Bar> bars;

    // How the fake misbehaves, when a test asks it to.
    enum class Explorer { Present, NullDispatch, Empty } explorer = Explorer::Present;
    long countOverride = -1;           // reported Count instead of the bars' number
    bool answersApplicationIid = true; // QueryInterface for Outlook's _Application
    HRESULT deleteRaises = S_OK;       // Delete raises an exception with this code

    // What the add-in did.
    int countReads = 0;
    std::map<int, int> barObjectsAlive; // bar id -> CommandBar objects for it still referenced
    std::vector<VARTYPE> itemIndexTypes;
    std::vector<std::wstring> deleted;

    void SetBars(const std::vector<std::wstring>& names);
    std::vector<std::wstring> BarNames() const;
};

// The Application object over a state; the caller owns the one reference.
IDispatch* CreateFakeApplication(std::shared_ptr<FakeOutlookState> state);

// Fake objects alive now, to check that every reference handed out came back.
long FakeObjectsAlive();

extern const IID IID_FakeOutlookApplication; // Outlook's _Application
