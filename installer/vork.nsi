; Vork's Windows installer: a per-user install (no administrator rights) into
; %LOCALAPPDATA%\Programs\Vork, Start menu shortcuts to Vork and its user's
; guide, an optional start when the user signs in, an optional browser remote,
; an entry in the list of installed programs and an uninstaller that keeps the
; user's settings and paired phones unless asked to remove them.
;   makensis -DVERSION=1.2.0 -DSTAGE=<folder with the files> -DOUTFILE=<setup.exe> vork.nsi
; Silent: setup.exe /S [/NOBROWSERREMOTE], uninstall.exe /S [/REMOVESETTINGS].
; Exit code 3: Vork is running (nothing was changed).

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | STAGE | OUTFILE
  !error "VERSION, STAGE and OUTFILE must be defined"
!endif

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "FileFunc.nsh"

!define PRODUCT "Vork"
!define PUBLISHER "The Vork authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Vork"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
; Vork's own choices; it reads BrowserRemote at start.
!define VORK_KEY "Software\Vork"
; Vork holds this mutex for as long as it runs.
!define INSTANCE_MUTEX "VORKTALPUMutex"
!define EXIT_VORK_RUNNING 3

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Vork"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIFileVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} setup"
VIAddVersionKey /LANG=1033 "LegalCopyright" "MIT licence, ${PUBLISHER}"

!define MUI_ICON "${STAGE}\vork.ico"
!define MUI_UNICON "${STAGE}\vork.ico"
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\vork.exe"
!insertmacro MUI_PAGE_LICENSE "${STAGE}\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Files in use cannot be replaced or removed: a running Vork must be closed
; first. Silent runs close nothing and end with their own exit code.
!macro REFUSE_WHILE_RUNNING UN
Function ${UN}RefuseWhileRunning
  check:
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${INSTANCE_MUTEX}") p .r0'
    ${If} $0 P= 0
      Return
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0)'
    ${If} ${Silent}
      SetErrorLevel ${EXIT_VORK_RUNNING}
      Quit
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Vork is running. Close its window (the close button in its caption), then click Retry." \
      IDRETRY check
    SetErrorLevel ${EXIT_VORK_RUNNING}
    Quit
FunctionEnd
!macroend
!insertmacro REFUSE_WHILE_RUNNING ""
!insertmacro REFUSE_WHILE_RUNNING "un."

Section "Vork" SectionVork
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}\vork.exe"
  File "${STAGE}\LICENSE.txt"
  File "${STAGE}\THIRD-PARTY.txt"
  File "${STAGE}\COPYING.LGPL-2.1.txt"
  File "${STAGE}\README.txt"
  SetOutPath "$INSTDIR\keymaps"
  File "${STAGE}\keymaps\*.toml"
  SetOutPath "$INSTDIR\docs"
  File "${STAGE}\docs\browser-remote.txt"
  File "${STAGE}\docs\*.png"
  SetOutPath "$INSTDIR"

  CreateShortcut "$SMPROGRAMS\Vork.lnk" "$INSTDIR\vork.exe"
  CreateShortcut "$SMPROGRAMS\Vork user guide.lnk" "$INSTDIR\README.txt"
  ; An older install's choice is replaced by this one's.
  DeleteRegValue HKCU "${RUN_KEY}" "Vork"

  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\vork.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Start Vork when I sign in" SectionStartup
  WriteRegStr HKCU "${RUN_KEY}" "Vork" '"$INSTDIR\vork.exe" --minimized'
SectionEnd

; Ticked: phones pair only by the code on the PC's screen, and most people
; connect by their browser. Unticked, it leaves the value alone: the user
; may have turned it on in Vork.
Section "Let phones use Vork from their browser" SectionBrowserRemote
  WriteRegDWORD HKCU "${VORK_KEY}" "BrowserRemote" 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionVork} "Vork itself, its user's guide and its key maps."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionStartup} "Vork starts, minimised, each time you sign in."
  !insertmacro MUI_DESCRIPTION_TEXT ${SectionBrowserRemote} \
    "Phones on your network can then pair with Vork by the QR code it shows you; nobody who has not seen that code can."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "un.Vork" SectionUnVork
  SectionIn RO
  Delete "$INSTDIR\vork.exe"
  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\THIRD-PARTY.txt"
  Delete "$INSTDIR\COPYING.LGPL-2.1.txt"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\keymaps\players.toml"
  RMDir "$INSTDIR\keymaps"
  Delete "$INSTDIR\docs\browser-remote.txt"
  ; What earlier versions put there.
  Delete "$INSTDIR\docs\phones.md"
  Delete "$INSTDIR\docs\browser-remote.md"
  Delete "$INSTDIR\docs\*.png"
  RMDir "$INSTDIR\docs"
  Delete "$SMPROGRAMS\Vork.lnk"
  Delete "$SMPROGRAMS\Vork user guide.lnk"
  DeleteRegValue HKCU "${RUN_KEY}" "Vork"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; Kept by default, so that a reinstall finds the phones still paired.
Section /o "un.Remove my settings and paired phones" SectionUnSettings
  Delete "$APPDATA\Vork\vork.toml"
  Delete "$APPDATA\Vork\pairings.dat"
  Delete "$APPDATA\Vork\pairings.dat.bad"
  Delete "$APPDATA\Vork\pairings.dat.new"
  RMDir "$APPDATA\Vork"
  DeleteRegKey HKCU "${VORK_KEY}"
SectionEnd

; Last, so that the folder's going means the uninstall is done.
Section "-un.Folder"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd

; Below the sections, whose indices they need.
Function .onInit
  Call RefuseWhileRunning
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/NOBROWSERREMOTE" $1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SectionBrowserRemote}
  ${EndIf}
FunctionEnd

Function un.onInit
  Call un.RefuseWhileRunning
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SectionUnSettings}
  ${EndIf}
FunctionEnd
