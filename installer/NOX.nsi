; NOX-setup.exe: the product's sample setup, on the kit's NSIS include. Exit
; codes: 2 refused or failed, 3010 done once Windows restarts.
;   makensis -DOUT_FILE=... -DVERSION=1.00 -DVERSION_NUMBERS=1.0.0.0 -DPUBLISHER=...
;            -DPRODUCT_DLL=<NOX.dll> -DNOXKIT_DIR=<the kit> -DREGISTRATION_KEY=HKLM\<key>
;            -DREGISTRATION_VALUE=<a value NOX.dll's registration writes with its path> NOX.nsi

Unicode true
Target x86-unicode
SetCompressor /SOLID lzma
!include "${NOXKIT_DIR}\NOXKit.nsh"
!define PRODUCT "NOX"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!ifdef SIGN_SCRIPT ; the kit's signing, for the setup and its uninstaller
    !finalize '"${SIGN_SCRIPT}" "%1"'
    !uninstfinalize '"${SIGN_SCRIPT}" "%1"'
!endif
Name "${PRODUCT}"
OutFile "${OUT_FILE}"
; The kit's programs are 32-bit; an installed product is updated where it is.
InstallDir "$PROGRAMFILES32\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
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
Page directory "" "" CheckFolder
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles
Function .onInit ; listed where Windows lists 32-bit programs
    SetRegView 32
FunctionEnd

; On the folder page the user stays to choose another; a silent setup ends with 2.
Function CheckFolder
    ReadRegStr $R9 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    !insertmacro NOXKIT_CHECK_FOLDER $INSTDIR $R9 $R8
    IfErrors 0 +5
        MessageBox MB_OK|MB_ICONSTOP "$R8" /SD IDOK
        IfSilent 0 +2
            SetErrorLevel 2
        Abort "$R8"
FunctionEnd

; The uninstaller removes files only from the product's installation, whatever _?= says.
Function un.onInit
    SetRegView 32
    !insertmacro NOXKIT_CANONICAL_FOLDER $INSTDIR
    ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    StrCmp "$R0" "$INSTDIR" +4
        MessageBox MB_OK|MB_ICONSTOP "$INSTDIR is not where ${PRODUCT} is installed." /SD IDOK
        SetErrorLevel 2
        Quit
FunctionEnd

Section "${PRODUCT}"
    Call CheckFolder
    SetOutPath "$INSTDIR"
    !insertmacro NOXKIT_INSTALL_FILE "${PRODUCT_DLL}" NOX.dll
    StrCpy $R8 "$INSTDIR\NOX.dll could not be written."
    IfErrors failed
    !insertmacro NOXKIT_INSTALL $R8
    IfErrors failed
    ; Listed once the files are there: whatever happens next can be undone from the list.
    WriteUninstaller "$INSTDIR\uninst.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Register.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninst.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninst.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    !insertmacro NOXKIT_REGISTER "${REGISTRATION_KEY}" "${REGISTRATION_VALUE}" $R8
    IfErrors failed
    IfRebootFlag 0 +3
        DetailPrint "Windows must restart to finish: files in use are replaced then."
        SetErrorLevel 3010
    Return
failed:
    DetailPrint "$R8"
    SetErrorLevel 2
    Abort "${PRODUCT} is not installed and registered. Uninstall it from the list of installed programs, if it is there, then run this setup again."
SectionEnd

Section "Uninstall"
    !insertmacro NOXKIT_UNINSTALL
    !insertmacro NOXKIT_REMOVE_FILE "$INSTDIR\NOX.dll"
    ; Runs from a copy in the temporary folder, unless started with _?=.
    Delete "$INSTDIR\uninst.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
