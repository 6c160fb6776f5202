; NOX-setup.exe: a sample setup for the product, showing the kit at work in a
; real installer. It installs NOX.dll and the kit into one folder under the
; 32-bit Program Files, has NOX.dll registered by Register.exe, and lists the
; product among the installed programs. Its uninstaller runs the kit's
; Uninstaller.exe, waits until the cleanup add-in is unregistered, and only
; then removes what the setup installed, and nothing else.
;
; makensis -DOUT_FILE=... -DVERSION=1.00
;          -DPUBLISHER=... -DPRODUCT_DLL=<NOX.dll> -DPROGRAMS_DIR=<folder>
;          -DDLLS_X86_DIR=<folder> -DDLLS_X64_DIR=<folder>
;          -DREGISTRATION_ROOT=HKLM|HKCU -DREGISTRATION_KEY=<key>
;          -DREGISTRATION_VALUE=<name> NOX.nsi
; PROGRAMS_DIR holds Uninstaller.exe, Register.exe and the two batch files;
; DLLS_X86_DIR and DLLS_X64_DIR hold each flavour's uninstall.dll and Pelmor.dll.
; The registration value is one that NOX.dll's registration writes with the
; DLL's path (its class's InprocServer32, say): the setup reads it back to
; know that the registration, which Register.exe does not wait for, is done.

Unicode true
Target x86-unicode
SetCompressor /SOLID lzma

!define PRODUCT "NOX"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define UNINSTALLER "uninst.exe"

; With the kit's signing set up, the setup and the uninstaller inside it
; are signed as the kit's programs are.
!ifdef SIGN_SCRIPT
    !finalize '"${SIGN_SCRIPT}" "%1"'
    !uninstfinalize '"${SIGN_SCRIPT}" "%1"'
!endif

Name "${PRODUCT}"
OutFile "${OUT_FILE}"
; Where a 32-bit product belongs on 64-bit Windows too: the kit's programs
; are 32-bit. An installed product is updated where it is.
InstallDir "$PROGRAMFILES32\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
; regsvr32 writes HKEY_LOCAL_MACHINE, and the files go under Program Files.
RequestExecutionLevel admin
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VERSION_NUMBERS}"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"

Page directory "" "" DirectoryLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The product is listed where Windows lists 32-bit programs.
Function .onInit
    SetRegView 32
FunctionEnd

; Refuses to go on, with the reason given: on the folder page the user stays
; there to choose another; a silent setup ends with exit code 2.
!macro Refuse reason
    MessageBox MB_OK|MB_ICONSTOP "${reason}" /SD IDOK
    IfSilent 0 +2
        SetErrorLevel 2
    Abort "${reason}"
!macroend

; $R0 = 1 when the folder $R1 holds anything at all, else 0.
Function FolderHoldsAnything
    StrCpy $R0 0
    FindFirst $R2 $R3 "$R1\*.*"
next:
    StrCmp $R3 "" done
    StrCmp $R3 "." skip
    StrCmp $R3 ".." skip
    StrCpy $R0 1
    Goto done
skip:
    FindNext $R2 $R3
    Goto next
done:
    FindClose $R2
FunctionEnd

; $R0 = 1 when $R1 lies below the folder $R2 (case does not matter), else 0.
Function IsBelow
    StrCpy $R0 0
    StrLen $R3 "$R2\"
    StrCpy $R4 "$R1\" $R3
    StrCmp $R4 "$R2\" 0 +2
        StrCpy $R0 1
FunctionEnd

; The kit runs elevated from the install folder, and every user's Outlook
; loads NOX.dll from it: it must be a folder only administrators can write,
; which the folders below Program Files are, and one that holds nothing but
; this product. A folder below Windows is never one.
Function CheckInstallFolder
    StrCpy $R1 "$INSTDIR"
    StrCpy $R2 "$WINDIR"
    Call IsBelow
    StrCmp $R0 1 below_windows
    StrCmp "$INSTDIR" "$WINDIR" below_windows
    StrCpy $R2 "$PROGRAMFILES32"
    Call IsBelow
    StrCmp $R0 1 below_program_files
    StrCpy $R2 "$PROGRAMFILES64"
    Call IsBelow
    StrCmp $R0 1 below_program_files
    !insertmacro Refuse "$INSTDIR is not below $PROGRAMFILES. The setup runs programs from its folder with administrator rights, so it installs only where standard users cannot write."
below_windows:
    !insertmacro Refuse "$INSTDIR is below the Windows folder. Choose a folder below $PROGRAMFILES."
below_program_files:
    ; The product's own earlier installation is updated in place.
    ReadRegStr $R3 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCmp "$R3" "$INSTDIR" checked
    Call FolderHoldsAnything
    StrCmp $R0 0 checked
    !insertmacro Refuse "$INSTDIR is not empty. Choose an empty folder, or a new one: the setup would replace, and its uninstaller remove, files that are not its own."
checked:
FunctionEnd

; The uninstaller removes files from its own folder only when that folder
; is the product's installation, whatever _?= says.
Function un.onInit
    SetRegView 32
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCmp "$R0" "$INSTDIR" installed
    MessageBox MB_OK|MB_ICONSTOP "$INSTDIR is not where ${PRODUCT} is installed." /SD IDOK
    SetErrorLevel 2
    Quit
installed:
FunctionEnd

Function DirectoryLeave
    Call CheckInstallFolder
FunctionEnd

Section "${PRODUCT}"
    ; Silent setups skip the folder page.
    Call CheckInstallFolder
    SetOutPath "$INSTDIR"
    ; Installing over an installed product replaces every file.
    SetOverwrite on
    File "${PRODUCT_DLL}"
    File "${PROGRAMS_DIR}\Register.exe"
    File "${PROGRAMS_DIR}\Uninstaller.exe"
    File "${PROGRAMS_DIR}\UninstRegister.bat"
    File "${PROGRAMS_DIR}\UninstUnregister.bat"
    File "${DLLS_X86_DIR}\uninstall.dll"
    File "${DLLS_X86_DIR}\Pelmor.dll"
    ; A 64-bit Outlook loads only the 64-bit cleanup add-in; 64-bit callers
    ; of GetPelmors need the 64-bit Pelmor.dll.
    SetOutPath "$INSTDIR\x64"
    File "${DLLS_X64_DIR}\uninstall.dll"
    File "${DLLS_X64_DIR}\Pelmor.dll"
    SetOutPath "$INSTDIR"

    ; Listed as soon as the files are there, so that whatever happens next
    ; can be taken back from the list of installed programs.
    WriteUninstaller "$INSTDIR\${UNINSTALLER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Register.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

    ; Register.exe starts the regsvr32.exe beside it: the system's own, of
    ; the setup's bitness, copied here rather than shipped.
    ClearErrors
    CopyFiles /SILENT "$SYSDIR\regsvr32.exe" "$INSTDIR\regsvr32.exe"
    IfErrors 0 +3
        DetailPrint "Could not copy $SYSDIR\regsvr32.exe to $INSTDIR."
        Goto failed

    ; Register.exe ends as soon as regsvr32 has started; it says itself,
    ; in a message box, when it could not start it.
    ClearErrors
    ExecWait '"$INSTDIR\Register.exe"' $0
    IfErrors 0 +3
        DetailPrint "Could not start $INSTDIR\Register.exe."
        Goto failed
    StrCmp $0 0 +3
        DetailPrint "Register.exe could not start the registration of NOX.dll (exit code $0)."
        Goto failed
    ; Its exit code says only that regsvr32 started: the registration is
    ; read back, for up to 10 seconds, until it names the installed NOX.dll.
    StrCpy $1 0
wait_for_registration:
    ReadRegStr $2 ${REGISTRATION_ROOT} "${REGISTRATION_KEY}" "${REGISTRATION_VALUE}"
    StrCmp "$2" "$INSTDIR\NOX.dll" done
    IntOp $1 $1 + 1
    IntCmp $1 40 0 0 not_registered
    Sleep 250
    Goto wait_for_registration
not_registered:
    DetailPrint "regsvr32 did not register $INSTDIR\NOX.dll within 10 seconds."
failed:
    SetErrorLevel 2
    Abort "${PRODUCT} is not registered. Uninstall it from the list of installed programs, then run this setup again."
done:
SectionEnd

; Deletes one installed file. A file some process still has open (a
; regsvr32 the kit started, say) is tried again for a while; if it stays in
; use it goes at the next restart of Windows. A file that cannot be deleted
; for any other reason (its rights forbid it, or a folder stands in its
; place) is left where it is, and said so.
!macro RemoveInstalledFile path
    Push "${path}"
    Call un.RemoveInstalledFile
!macroend

Function un.RemoveInstalledFile
    Exch $R0
    Push $R1
    Push $R2
    Push $R3
    StrCpy $R1 0
retry:
    ClearErrors
    Delete "$R0"
    IfErrors 0 done
    IfFileExists "$R0" 0 done
    ; In use: opening it for deletion fails with a sharing violation (32)
    ; while a process has it open. It opens when nobody has it open, yet a
    ; process that loaded it (a DLL) still keeps its image mapped, or the
    ; holder let go since the Delete: either way, in use for a while yet.
    System::Call 'kernel32::CreateFileW(w R0, i 0x10000, i 0, p 0, i 3, i 0, p 0) p.R2 ?e'
    Pop $R3
    StrCmp $R2 -1 not_opened
    System::Call 'kernel32::CloseHandle(p R2)'
    Goto in_use
not_opened:
    StrCmp $R3 32 in_use
    DetailPrint "$R0 could not be removed (error $R3); it is left as it is."
    Goto done
in_use:
    IntOp $R1 $R1 + 1
    IntCmp $R1 40 0 0 later
    Sleep 250
    Goto retry
later:
    Delete /REBOOTOK "$R0"
    DetailPrint "$R0 is in use; it is removed when Windows restarts."
done:
    Pop $R3
    Pop $R2
    Pop $R1
    Pop $R0
FunctionEnd

Section "Uninstall"
    ; The programs started below inherit this folder as their current one;
    ; it must not be the product's folder, which goes at the end.
    SetOutPath "$TEMP"

    ; The product's add-in first, so that the Outlook the kit restarts loads
    ; the cleanup add-in and not the product's.
    ExecWait '"$INSTDIR\regsvr32.exe" /s /u "$INSTDIR\NOX.dll"' $0
    DetailPrint "NOX.dll unregistered (regsvr32 exit code $0)."

    ; The kit's sequence: it warns the user, restarts Outlook so that the
    ; cleanup add-in removes the product's command bar, and ends. Its
    ; notices are shown to the user on the desktop this runs on.
    ClearErrors
    ExecWait '"$INSTDIR\Uninstaller.exe"' $0
    IfErrors 0 +2
        StrCpy $0 "(not started)"
    DetailPrint "Uninstaller.exe ended (exit code $0)."

    ; Uninstaller.exe ends 2.5 s after starting UninstUnregister.bat and
    ; does not wait for it. Unregistering is idempotent, so it is run here
    ; once more, and waited for, before uninstall.dll can go: a slow
    ; unregistration must not find its DLL gone and leave the add-in's keys.
    ; Run from its folder by its bare name, so that no character of the
    ; folder's name reaches cmd's command line; /d: no AutoRun command.
    SetOutPath "$INSTDIR"
    ExecWait '"$SYSDIR\cmd.exe" /d /c UninstUnregister.bat' $0
    SetOutPath "$TEMP"
    DetailPrint "Cleanup add-in unregistered (exit code $0)."

    ; Only what the setup installed.
    !insertmacro RemoveInstalledFile "$INSTDIR\NOX.dll"
    !insertmacro RemoveInstalledFile "$INSTDIR\Register.exe"
    !insertmacro RemoveInstalledFile "$INSTDIR\Uninstaller.exe"
    !insertmacro RemoveInstalledFile "$INSTDIR\UninstRegister.bat"
    !insertmacro RemoveInstalledFile "$INSTDIR\UninstUnregister.bat"
    !insertmacro RemoveInstalledFile "$INSTDIR\uninstall.dll"
    !insertmacro RemoveInstalledFile "$INSTDIR\Pelmor.dll"
    !insertmacro RemoveInstalledFile "$INSTDIR\x64\uninstall.dll"
    !insertmacro RemoveInstalledFile "$INSTDIR\x64\Pelmor.dll"
    !insertmacro RemoveInstalledFile "$INSTDIR\regsvr32.exe"
    ; Runs from a copy in the temporary folder, unless started with _?=.
    Delete "$INSTDIR\${UNINSTALLER}"
    ; Folders go only when empty: what a user put there stays.
    RMDir "$INSTDIR\x64"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
