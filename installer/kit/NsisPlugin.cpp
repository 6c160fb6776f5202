// The setup library as an NSIS plug-in, NOXKitSetup::<name> (the .def file
// exports each Nsis<name> so): makensis packs it into the setup, which unpacks
// and unloads it itself. The arguments come off NSIS's stack in the order a
// script writes them; each function pushes its answer (SetupRules.h), and
// sets the error flag where that tells of a failure. CheckInstallFolder takes
// folder, previous, Program Files, Program Files (64-bit), Windows, and
// pushes the refusal, then the canonical folder on top.
#include "SetupRules.h"
#include <msi.h>

namespace {

// NSIS's plug-in interface (its pluginapi's api.h), as far as it is used.
struct StackEntry {
    StackEntry* next;
    wchar_t text[1];
};
struct ExecFlags {
    int autoclose, allUserVar, execError, abort, execReboot, rebootCalled, curInstType, pluginApiVersion, silent;
};
struct ExtraParameters {
    ExecFlags* execFlags;
};

class NsisCall {
public:
    NsisCall(int stringSize, StackEntry** stackTop, ExtraParameters* extra)
        : size_(stringSize), top_(stackTop), flags_(extra ? extra->execFlags : nullptr)
    {
    }
    WideText Pop()
    {
        StackEntry* entry = top_ ? *top_ : nullptr;
        if (!entry)
            return WideText();
        WideText text(entry->text);
        *top_ = entry->next;
        GlobalFree(entry);
        return text;
    }
    void Push(const WideText& text)
    {
        auto* entry = static_cast<StackEntry*>(GlobalAlloc(GPTR, sizeof(StackEntry) + size_ * sizeof(wchar_t)));
        if (!top_ || !entry)
            return;
        lstrcpynW(entry->text, text.c_str(), size_);
        entry->next = *top_;
        *top_ = entry;
    }
    // The answer, with the error flag set where it tells of a failure.
    void Answer(const WideText& text, bool failed = false)
    {
        if (failed && flags_)
            flags_->execError = 1;
        Push(text);
    }
    bool Silent() const { return flags_ && flags_->silent; }

private:
    int size_;
    StackEntry** top_;
    ExecFlags* flags_;
};

} // namespace

#define NSIS_FUNCTION(name)                                                                                            \
    extern "C" void __cdecl name(HWND, int stringSize, wchar_t*, StackEntry** stackTop, ExtraParameters* extra)

NSIS_FUNCTION(NsisCheckInstallFolder)
{
    NsisCall call(stringSize, stackTop, extra);
    WideText folder = call.Pop(), previous = call.Pop(), programFiles = call.Pop(), programFiles64 = call.Pop(),
             windows = call.Pop();
    WideText refusal = JudgeInstallFolder(folder, {programFiles.c_str(), programFiles64.c_str(), windows.c_str(),
                                                   previous.c_str()});
    call.Answer(refusal, !refusal.empty());
    call.Push(folder);
}

NSIS_FUNCTION(NsisCanonicalFolder)
{
    NsisCall call(stringSize, stackTop, extra);
    call.Push(CanonicalFolder(call.Pop().c_str()));
}

NSIS_FUNCTION(NsisRegisterProduct)
{
    NsisCall call(stringSize, stackTop, extra);
    WideText folder = call.Pop(), rootAndKey = call.Pop(), name = call.Pop();
    WideText why = RegisterProduct(folder.c_str(), ParseRegistrationValue(rootAndKey.c_str(), name.c_str()));
    call.Answer(why, !why.empty());
}

NSIS_FUNCTION(NsisUnregisterProduct)
{
    NsisCall call(stringSize, stackTop, extra);
    call.Answer(UnregisterProduct(call.Pop().c_str()));
}

NSIS_FUNCTION(NsisRunSequence)
{
    NsisCall call(stringSize, stackTop, extra);
    unsigned uiLevel = call.Silent() ? INSTALLUILEVEL_NONE : INSTALLUILEVEL_FULL;
    call.Answer(RunSequence(call.Pop().c_str(), UserIsThere(uiLevel, L"", ProcessUserSid().c_str())));
}

NSIS_FUNCTION(NsisRunUnregisterScript)
{
    NsisCall call(stringSize, stackTop, extra);
    call.Answer(RunUnregisterScript(call.Pop().c_str()));
}

NSIS_FUNCTION(NsisRemoveInstalledFile)
{
    NsisCall call(stringSize, stackTop, extra);
    call.Answer(RemoveInstalledFile(call.Pop().c_str()));
}
