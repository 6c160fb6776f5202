// The kit's main job: plays the uninstall sequence against the Outlook
// stand-in, dismissing the notices as a user would, and prints what happened.
// Exits non-zero when a step did not happen as it should.
#include "SequenceDriver.h"
#include <cstdio>

int main()
{
    std::printf("Uninstaller.exe against the Outlook stand-in (notices answered automatically)\n");
    SequenceSetup setup;
    setup.folderName = L"NOX kit";
    setup.unregisterScriptMs = 0;
    SequenceRun run = RunSequence(setup);
    for (const std::string& line : run.Timeline())
        std::printf("  %s\n", line.c_str());

    bool ok = run.exited && run.exitCode == 0 && run.notices.size() == 2 && run.main.shownTick &&
              run.Script("register") && run.Script("unregister") && run.OutlookEvents("started").size() == 2 &&
              run.OutlookEvents("close-received").size() == 2;
    std::printf("%s\n", ok ? "Uninstall sequence completed." : "Uninstall sequence did NOT complete as expected.");
    return ok ? 0 : 1;
}
