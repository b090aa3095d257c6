; Quorvel's installer for Windows: per user, no administrator rights.
; Installs into %LOCALAPPDATA%\Programs\Quorvel (the user's programs folder),
; adds a Start-menu entry and, if ticked, a desktop icon, and registers the
; uninstaller under HKCU's Uninstall\Quorvel for Settings > Apps and winget.
; The uninstaller removes exactly the files this installs and the folder if
; that leaves it empty: the settings (%APPDATA%\Quorvel\Quorvel.ini), the
; backups and records (%LOCALAPPDATA%\quorvel\) are the technician's and
; stay, and so does a portable Quorvel.ini put beside quorvel.exe.
;
; Built by scripts/package-windows:
;   makensis -INPUTCHARSET UTF8 -DVERSION=0.1 -DVERSION4=0.1.0.0 -DSTAGE=<the zip's folder>
;            -DICON=<quorvel.ico> -DOUTFILE=<quorvel-0.1-setup.exe> installer.nsi
; Silent: setup.exe /S [/DESKTOP] [/D=FOLDER]; uninstall: Uninstall.exe /S.
; The desktop icon is ticked in the dialog; a silent install makes it only
; with /DESKTOP.

Unicode true
; A 64-bit installer for a 64-bit program: it also runs in a Wine that has
; no 32-bit half (scripts/test-windows).
Target amd64-unicode
!ifndef VERSION | VERSION4 | STAGE | ICON | OUTFILE
  !error "makensis needs -DVERSION, -DVERSION4, -DSTAGE, -DICON and -DOUTFILE"
!endif

; quorvel.exe and quorvel.com are ~20 MB each and nearly the same bytes: one
; solid LZMA stream whose dictionary holds the whole first file stores the
; second for almost nothing.
SetCompressor /SOLID /FINAL lzma
SetCompressorDictSize 64
; The files' own times are not recorded, so two builds of the same files
; differ as little as makensis allows.
SetDateSave off

!include MUI2.nsh
!include FileFunc.nsh
!include LogicLib.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"

Name "Quorvel"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Quorvel"
; An update goes where the first install went.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ManifestDPIAware true
ManifestSupportedOS Win10
BrandingText "Quorvel ${VERSION}"

VIProductVersion "${VERSION4}"
VIAddVersionKey /LANG=0 "ProductName" "Quorvel"
VIAddVersionKey /LANG=0 "CompanyName" "Ondrel"
VIAddVersionKey /LANG=0 "FileDescription" "Quorvel ${VERSION} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "See LICENSE.txt"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
; The finish page's "Run Quorvel" starts it in its folder, as the Start-menu
; entry does.
!define MUI_FINISHPAGE_RUN "$INSTDIR\quorvel.exe"
!define MUI_FINISHPAGE_SHOWREADME "$INSTDIR\README.txt"
!define MUI_FINISHPAGE_SHOWREADME_NOTCHECKED

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

; A Chinese Windows gets Chinese pages; any other English, the first
; language being the one taken when none matches.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"
LangString SectionProgram ${LANG_SIMPCHINESE} "Quorvel（程序、说明和许可证）"
LangString SectionProgram ${LANG_ENGLISH} "Quorvel (program, README and licences)"
LangString SectionDesktop ${LANG_SIMPCHINESE} "桌面图标"
LangString SectionDesktop ${LANG_ENGLISH} "Desktop icon"

; The files, named once: the installer writes them, the uninstaller deletes
; these and nothing else.
!macro QuorvelFiles DO
  !insertmacro ${DO} "quorvel.exe"
  !insertmacro ${DO} "quorvel.com"
  !insertmacro ${DO} "README.txt"
  !insertmacro ${DO} "LICENSE.txt"
  !insertmacro ${DO} "QT-NOTICE.txt"
  !insertmacro ${DO} "LGPL-3.0.txt"
  !insertmacro ${DO} "GPL-3.0.txt"
!macroend
!macro InstallFile NAME
  File "${STAGE}/${NAME}"
!macroend
!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend

Section "!$(SectionProgram)" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  !insertmacro QuorvelFiles InstallFile
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; The shortcut's "Start in" is $OUTPATH, the program's folder.
  CreateShortcut "$SMPROGRAMS\Quorvel.lnk" "$INSTDIR\quorvel.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Quorvel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Ondrel"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; What the folder holds now, in KB, as Settings > Apps shows it.
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "$(SectionDesktop)" SecDesktop
  SetOutPath "$INSTDIR"
  CreateShortcut "$DESKTOP\Quorvel.lnk" "$INSTDIR\quorvel.exe"
SectionEnd

Function .onInit
  ; Silent installs (IT, winget) leave the desktop alone unless asked.
  ${If} ${Silent}
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/DESKTOP" $1
    ${If} ${Errors}
      !insertmacro UnselectSection ${SecDesktop}
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  !insertmacro QuorvelFiles RemoveFile
  Delete "$INSTDIR\Uninstall.exe"
  ; Not /r: the folder goes only when nothing of the user's is left in it.
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Quorvel.lnk"
  Delete "$DESKTOP\Quorvel.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
