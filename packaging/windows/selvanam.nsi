; The programmer's installer for Windows, made by scripts/windows/package.sh, which passes:
;   SELVANA_NAMES     names.nsh of the build (cmake/WindowsPackaging.cmake): names, version
;   SELVANA_STAGING   the program folder as `cmake --install` lays it out
;   SELVANA_FILES     the File commands of every file in it, folder by folder
;   SELVANA_UNFILES   the Delete and RMDir commands of the same files and folders
;   SELVANA_SIZE_KB   the folder's size, for "Programs and Features"
;   SELVANA_ICON      the logo as an .ico
;   SELVANA_OUTFILE   the installer to write
; The uninstaller removes those files, the Start menu entry and the uninstall key, and never
; the user's data (%APPDATA%\SelvanaM).

Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS Win10
ManifestDPIAware true

!include "${SELVANA_NAMES}"
!include "MUI2.nsh"
!include "LogicLib.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\SelvanaM"
!define SHORTCUT "$SMPROGRAMS\${SELVANA_PRODUCT}.lnk"

Name "${SELVANA_PRODUCT} ${SELVANA_VERSION}"
OutFile "${SELVANA_OUTFILE}"
InstallDir "$PROGRAMFILES64\Selvana M"
; A new version goes where the one before it is.
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${SELVANA_PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${SELVANA_ICON}"
!define MUI_UNICON "${SELVANA_ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${SELVANA_STAGING}/LICENSE.txt"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; The program is not started from here: it would run as the administrator who installed it,
; and keep its data in that user's folder.
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\LEGGIMI.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED
!insertmacro MUI_PAGE_FINISH

!define MUI_UNCONFIRMPAGE_TEXT_TOP "${SELVANA_PRODUCT} sarà disinstallato da questo computer. \
    I dati di ogni utente in %APPDATA%\SelvanaM (registro delle periferiche, copie di \
    sicurezza, registro delle programmazioni, impostazioni, elenco delle reti) restano al loro \
    posto."
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "Italian"

VIProductVersion "${SELVANA_VERSION_WORDS}"
VIFileVersion "${SELVANA_VERSION_WORDS}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "ProductName" "${SELVANA_PRODUCT}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "CompanyName" "${SELVANA_PUBLISHER}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "LegalCopyright" "${SELVANA_COPYRIGHT}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "FileDescription" "Installazione di ${SELVANA_PRODUCT}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "FileVersion" "${SELVANA_VERSION}"
VIAddVersionKey /LANG=${LANG_ITALIAN} "ProductVersion" "${SELVANA_VERSION}"

Function .onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section
    ; Files an earlier version had and this one has not would stay behind: its own uninstaller
    ; removes them first, in its folder, and leaves the user's data as always.
    ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} ${FileExists} "$0\uninstall.exe"
        DetailPrint "Rimozione della versione installata in $0"
        ExecWait '"$0\uninstall.exe" /S _?=$0'
        Delete "$0\uninstall.exe"
        RMDir "$0"
    ${EndIf}

    !include "${SELVANA_FILES}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "${SHORTCUT}" "$INSTDIR\selvanam.exe" "" "$INSTDIR\selvanam.exe" 0 \
        SW_SHOWNORMAL "" "${SELVANA_PRODUCT} ${SELVANA_VERSION}"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${SELVANA_PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${SELVANA_VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${SELVANA_PUBLISHER}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\selvanam.exe,0"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SELVANA_SIZE_KB}
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "Uninstall"
    !include "${SELVANA_UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    ; Only when empty: whatever someone else put in the folder stays.
    RMDir "$INSTDIR"
    Delete "${SHORTCUT}"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
