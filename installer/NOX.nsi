; NOX-setup.exe: a sample setup for the product, showing the kit at work in a
; real installer. It installs NOX.dll and the kit into one folder under the
; 32-bit Program Files, has NOX.dll registered by Register.exe, and lists the
; product among the installed programs. Its uninstaller runs the kit's
; Uninstaller.exe, waits until the cleanup add-in is unregistered, and only
; then removes what the setup installed, and nothing else.
;
; makensis -DOUT_FILE=... -DVERSION=1.00
;          -DPUBLISHER=... -DPRODUCT_DLL=<NOX.dll> -DPROGRAMS_DIR=<folder>
;          -DDLLS_X86_DIR=<folder> -DDLLS_X64_DIR=<folder> NOX.nsi
; PROGRAMS_DIR holds Uninstaller.exe, Register.exe and the two batch files;
; DLLS_X86_DIR and DLLS_X64_DIR hold each flavour's uninstall.dll and Pelmor.dll.

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

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; The product is listed where Windows lists 32-bit programs.
Function .onInit
    SetRegView 32
FunctionEnd

Function un.onInit
    SetRegView 32
FunctionEnd

Section "${PRODUCT}"
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
    StrCmp $0 0 done
        DetailPrint "Register.exe could not start the registration of NOX.dll (exit code $0)."
        Goto failed
failed:
    SetErrorLevel 2
    Abort "${PRODUCT} is not registered. Uninstall it from the list of installed programs, then run this setup again."
done:
SectionEnd

; Deletes one installed file. A file some process still has loaded (a
; regsvr32 the kit started, say) is tried again for a while; if it stays in
; use it goes at the next restart of Windows.
!macro RemoveInstalledFile path
    Push "${path}"
    Call un.RemoveInstalledFile
!macroend

Function un.RemoveInstalledFile
    Exch $R0
    Push $R1
    StrCpy $R1 0
retry:
    ClearErrors
    Delete "$R0"
    IfErrors 0 done
    IfFileExists "$R0" 0 done
    IntOp $R1 $R1 + 1
    IntCmp $R1 40 0 0 later
    Sleep 250
    Goto retry
later:
    Delete /REBOOTOK "$R0"
    DetailPrint "$R0 is in use; it is removed when Windows restarts."
done:
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
    ExecWait '"$SYSDIR\cmd.exe" /c ""$INSTDIR\UninstUnregister.bat""' $0
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
