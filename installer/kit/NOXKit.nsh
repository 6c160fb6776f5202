; NOXKit.nsh: the NOX kit in an NSIS setup (Unicode, x86-unicode target).
;   !define NOXKIT_DIR "<the unpacked kit>"   ; default: the folder of this file
;   !include "${NOXKIT_DIR}\NOXKit.nsh"
; Its rules live in the kit's setup library, NOXKitSetup.dll, which makensis
; packs as a plug-in from NOXKIT_DIR. Every macro works in the uninstaller
; too; one that can fail sets the error flag then and puts why in its output
; variable ("" when all went well). docs/installer-authors.md says what each
; macro does, with a whole script.
;   NOXKIT_CHECK_FOLDER folderVar previous out   NOXKIT_CANONICAL_FOLDER folderVar
;   NOXKIT_INSTALL_FILE source name              NOXKIT_INSTALL out
;   NOXKIT_REGISTER rootAndKey valueName out     NOXKIT_UNINSTALL
;   NOXKIT_REMOVE_FILE path

!ifndef NOXKIT_NSH
!define NOXKIT_NSH
!verbose push
!verbose 3

!ifndef NOXKIT_DIR
    !define NOXKIT_DIR "${__FILEDIR__}"
!endif
!addplugindir /x86-unicode "${NOXKIT_DIR}"

Var NOXKitFailed

; The kit's files, as they lie in NOXKIT_DIR and in the install folder.
!macro NOXKIT_FILES do
    !insertmacro ${do} Register.exe
    !insertmacro ${do} Uninstaller.exe
    !insertmacro ${do} UninstRegister.bat
    !insertmacro ${do} UninstUnregister.bat
    !insertmacro ${do} uninstall.dll
    !insertmacro ${do} Pelmor.dll
    !insertmacro ${do} x64\uninstall.dll
    !insertmacro ${do} x64\Pelmor.dll
!macroend

!macro NOXKIT_CHECK_FOLDER folderVar previous out
    ClearErrors
    NOXKitSetup::CheckInstallFolder "${folderVar}" "${previous}" "$PROGRAMFILES32" "$PROGRAMFILES64" "$WINDIR"
    Pop ${folderVar}
    Pop ${out}
!macroend

!macro NOXKIT_CANONICAL_FOLDER folderVar
    NOXKitSetup::CanonicalFolder "${folderVar}"
    Pop ${folderVar}
!macroend

!macro NOXKIT_INSTALL_FILE source name
    ClearErrors
    File "/oname=${name}" "${source}"
    IfErrors 0 +6
        ClearErrors
        File "/oname=${name}.new" "${source}"
        IfErrors +3
        Rename /REBOOTOK "$OUTDIR\${name}.new" "$OUTDIR\${name}"
        DetailPrint "$OUTDIR\${name} is in use: the new one takes its place when Windows restarts."
!macroend

!macro _NOXKIT_INSTALL_KIT_FILE name
    !insertmacro NOXKIT_INSTALL_FILE "${NOXKIT_DIR}\${name}" "${name}"
    IfErrors 0 +2
        StrCpy $NOXKitFailed "$INSTDIR\${name}"
!macroend

!macro NOXKIT_INSTALL out
    StrCpy $NOXKitFailed ""
    CreateDirectory "$INSTDIR\x64"
    SetOutPath "$INSTDIR"
    ; A file that cannot be replaced sets the error flag, without asking.
    SetOverwrite try
    !insertmacro NOXKIT_FILES _NOXKIT_INSTALL_KIT_FILE
    SetOverwrite lastused
    StrCpy ${out} ""
    ClearErrors
    StrCmp $NOXKitFailed "" +3
        StrCpy ${out} "$NOXKitFailed could not be written."
        SetErrors
!macroend

!macro NOXKIT_REGISTER rootAndKey valueName out
    ClearErrors
    NOXKitSetup::RegisterProduct "$INSTDIR" "${rootAndKey}" "${valueName}"
    Pop ${out}
!macroend

; The line a step pushed, in the log where there is one.
!macro _NOXKIT_DETAIL
    Exch $0
    StrCmp $0 "" +2
        DetailPrint $0
    Pop $0
!macroend

!macro NOXKIT_REMOVE_FILE path
    NOXKitSetup::RemoveInstalledFile "${path}"
    !insertmacro _NOXKIT_DETAIL
!macroend

!macro _NOXKIT_REMOVE_KIT_FILE name
    !insertmacro NOXKIT_REMOVE_FILE "$INSTDIR\${name}"
!macroend

!macro NOXKIT_UNINSTALL
    NOXKitSetup::UnregisterProduct "$INSTDIR"
    !insertmacro _NOXKIT_DETAIL
    NOXKitSetup::RunSequence "$INSTDIR"
    !insertmacro _NOXKIT_DETAIL
    NOXKitSetup::RunUnregisterScript "$INSTDIR"
    !insertmacro _NOXKIT_DETAIL
    !insertmacro NOXKIT_FILES _NOXKIT_REMOVE_KIT_FILE
    ; Folders go only when empty: what a user put there stays.
    RMDir "$INSTDIR\x64"
!macroend

!verbose pop
!endif
