// Register: starts the silent registration of NOX.dll and ends at once.
#include "DllSearch.h"
#include "frmRegister.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RestrictDllSearchToSystemFolder();
    FrmRegister form(instance);
    form.Form_Load();
    return 0;
}
