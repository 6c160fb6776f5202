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

; The one form in which a folder is judged, written and recorded: the full
; path with . and .. resolved and / made \, 8.3 names expanded where the
; part that exists has them, no trailing separator. Case stays as written;
; every comparison of folders (StrCmp) ignores it.
;   Push <folder>; Call [un.]CanonicalFolder; Pop <canonical form>
!macro CanonicalFolderFunction prefix
Function ${prefix}CanonicalFolder
    Exch $R5
    Push $R6
    Push $R7
    Push $R8
    System::Call 'kernel32::GetFullPathNameW(w R5, i ${NSIS_MAX_STRLEN}, w .R6, p 0) i.R7'
    StrCmp $R7 0 done
    StrCpy $R5 $R6
    StrLen $R7 $R5
    IntCmp $R7 3 expand expand
    StrCpy $R6 $R5 1 -1
    StrCmp $R6 "\" 0 expand
        StrCpy $R5 $R5 -1
expand:
    ; The longest part that exists gets its long names; the rest stays.
    StrCpy $R8 ""
try_long:
    System::Call 'kernel32::GetLongPathNameW(w R5, w .R6, i ${NSIS_MAX_STRLEN}) i.R7'
    IntCmp $R7 0 0 0 long
    StrLen $R7 $R5
    IntCmp $R7 3 joined joined
find_separator:
    IntOp $R7 $R7 - 1
    IntCmp $R7 0 joined joined
    StrCpy $R6 $R5 1 $R7
    StrCmp $R6 "\" 0 find_separator
    StrCpy $R6 $R5 "" $R7
    StrCpy $R8 "$R6$R8"
    StrCpy $R5 $R5 $R7
    Goto try_long
long:
    StrCpy $R5 $R6
joined:
    StrCpy $R5 "$R5$R8"
done:
    Pop $R8
    Pop $R7
    Pop $R6
    Exch $R5
FunctionEnd
!macroend
!insertmacro CanonicalFolderFunction ""
!insertmacro CanonicalFolderFunction "un."

; $R0 = 1 when $R1 lies below the folder $R2 (case does not matter), else 0.
Function IsBelow
    StrCpy $R0 0
    StrLen $R3 "$R2\"
    StrCpy $R4 "$R1\" $R3
    StrCmp $R4 "$R2\" 0 +2
        StrCpy $R0 1
FunctionEnd

; $R0 = 1 when a folder on the way from $R2 down to $R1 (which lies below
; it), $R1 itself included, is a junction or a symbolic link, else 0.
Function PassesALinkBelow
    StrCpy $R0 0
    StrLen $R3 $R2
    StrLen $R4 $R1
next_folder:
    IntOp $R3 $R3 + 1
    IntCmp $R3 $R4 whole 0 checked
    StrCpy $R5 $R1 1 $R3
    StrCmp $R5 "\" 0 next_folder
whole:
    StrCpy $R5 $R1 $R3
    System::Call 'kernel32::GetFileAttributesW(w R5) i.R6'
    ; What does not exist yet is made by the setup, below what does.
    IntCmp $R6 -1 checked
    IntOp $R6 $R6 & 0x400 ; FILE_ATTRIBUTE_REPARSE_POINT
    IntCmp $R6 0 next_folder
    StrCpy $R0 1
checked:
FunctionEnd

; The kit runs elevated from the install folder, and every user's Outlook
; loads NOX.dll from it: it must be a folder only administrators can write,
; which the folders below Program Files are, and one that holds nothing but
; this product. A folder below Windows is never one, nor one reached through
; a junction or link, which may lead anywhere. The folder is judged in its
; canonical form, and $INSTDIR takes that form for all that follows.
Function CheckInstallFolder
    Push $INSTDIR
    Call CanonicalFolder
    Pop $INSTDIR
    StrCpy $R1 "$INSTDIR"
    StrCpy $R2 "$WINDIR"
    Call IsBelow
    StrCmp $R0 1 below_windows
    StrCmp "$INSTDIR" "$WINDIR" below_windows
    Push $PROGRAMFILES32
    Call CanonicalFolder
    Pop $R2
    Call IsBelow
    StrCmp $R0 1 below_program_files
    Push $PROGRAMFILES64
    Call CanonicalFolder
    Pop $R2
    Call IsBelow
    StrCmp $R0 1 below_program_files
    !insertmacro Refuse "$INSTDIR is not below $PROGRAMFILES. The setup runs programs from its folder with administrator rights, so it installs only where standard users cannot write."
below_windows:
    !insertmacro Refuse "$INSTDIR is below the Windows folder. Choose a folder below $PROGRAMFILES."
below_program_files:
    Call PassesALinkBelow
    StrCmp $R0 0 no_link
        !insertmacro Refuse "$INSTDIR is reached through a junction or a symbolic link, which may lead to a folder that standard users can write. Choose a folder below $PROGRAMFILES that is none."
no_link:
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
    Push $INSTDIR
    Call un.CanonicalFolder
    Pop $INSTDIR
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

; Installs one file into $OUTDIR. One in use (a NOX.dll that Outlook has
; loaded, say) cannot be replaced now: the new one is put beside it and
; takes its place when Windows restarts, and the setup ends saying that a
; restart is needed. Never does the old file stay as if it were the new.
!macro InstallFile source name
    ClearErrors
    File "/oname=${name}" "${source}"
    IfErrors 0 +6
        ClearErrors
        File "/oname=${name}.new" "${source}"
        IfErrors install_failed
        Rename /REBOOTOK "$OUTDIR\${name}.new" "$OUTDIR\${name}"
        DetailPrint "$OUTDIR\${name} is in use: the new one takes its place when Windows restarts."
!macroend

Section "${PRODUCT}"
    ; Silent setups skip the folder page.
    Call CheckInstallFolder
    SetOutPath "$INSTDIR"
    ; Installing over an installed product replaces every file; a file that
    ; cannot be replaced sets the error flag, without asking.
    SetOverwrite try
    !insertmacro InstallFile "${PRODUCT_DLL}" NOX.dll
    !insertmacro InstallFile "${PROGRAMS_DIR}\Register.exe" Register.exe
    !insertmacro InstallFile "${PROGRAMS_DIR}\Uninstaller.exe" Uninstaller.exe
    !insertmacro InstallFile "${PROGRAMS_DIR}\UninstRegister.bat" UninstRegister.bat
    !insertmacro InstallFile "${PROGRAMS_DIR}\UninstUnregister.bat" UninstUnregister.bat
    !insertmacro InstallFile "${DLLS_X86_DIR}\uninstall.dll" uninstall.dll
    !insertmacro InstallFile "${DLLS_X86_DIR}\Pelmor.dll" Pelmor.dll
    ; A 64-bit Outlook loads only the 64-bit cleanup add-in; 64-bit callers
    ; of GetPelmors need the 64-bit Pelmor.dll.
    SetOutPath "$INSTDIR\x64"
    !insertmacro InstallFile "${DLLS_X64_DIR}\uninstall.dll" uninstall.dll
    !insertmacro InstallFile "${DLLS_X64_DIR}\Pelmor.dll" Pelmor.dll
    SetOutPath "$INSTDIR"
    Goto installed
install_failed:
    DetailPrint "A file could not be written to $OUTDIR."
    SetErrorLevel 2
    Abort "${PRODUCT} is not installed."
installed:

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
    ; in a message box, when it could not start it. The value read back
    ; below is cleared first: over an installed product it would still name
    ; the installed NOX.dll, and only this run's registration is to count.
    DeleteRegValue ${REGISTRATION_ROOT} "${REGISTRATION_KEY}" "${REGISTRATION_VALUE}"
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
    ; 3010: done, once Windows has restarted (ERROR_SUCCESS_REBOOT_REQUIRED).
    IfRebootFlag 0 +3
        DetailPrint "Windows must restart to finish: files in use are replaced then."
        SetErrorLevel 3010
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
    ; notices are shown to the user on the desktop this runs on. A silent
    ; uninstall (a deployment tool's) has no user to answer them: it goes
    ; on without, and never waits.
    IfSilent 0 with_user
        DetailPrint "No user to answer (silent): Uninstaller.exe is not run, so Outlook is not restarted to remove the NOX command bar. NOX.dll is unregistered, so Outlook no longer loads NOX; its bar stays in each user's Outlook, without function, until the user removes it (Customize) or Outlook resets its command bars. Uninstall without /S to have it removed."
        Goto sequence_done
with_user:
    ClearErrors
    ExecWait '"$INSTDIR\Uninstaller.exe"' $0
    IfErrors 0 +2
        StrCpy $0 "(not started)"
    DetailPrint "Uninstaller.exe ended (exit code $0)."
sequence_done:

    ; Uninstaller.exe ends 2.5 s after starting UninstUnregister.bat and
    ; does not wait for it. Unregistering is idempotent, so it is run here
    ; once more, and waited for, before uninstall.dll can go: a slow
    ; unregistration must not find its DLL gone and leave the add-in's keys.
    ; Run from its folder as .\UninstUnregister.bat, so that no character of
    ; the folder's name reaches cmd's command line, and cmd never takes a
    ; script of that name from along PATH (whose folders users may write);
    ; /d: no AutoRun command; /v:off: no delayed expansion to read a "!".
    IfFileExists "$INSTDIR\UninstUnregister.bat" 0 no_unregister_script
    SetOutPath "$INSTDIR"
    ExecWait '"$SYSDIR\cmd.exe" /d /v:off /c .\UninstUnregister.bat' $0
    SetOutPath "$TEMP"
    DetailPrint "Cleanup add-in unregistered (exit code $0)."
    Goto unregistered
no_unregister_script:
    DetailPrint "$INSTDIR\UninstUnregister.bat is missing: the cleanup add-in is not unregistered again."
unregistered:

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
