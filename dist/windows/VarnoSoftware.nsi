; The Windows installer of Varno软件, made by tools/windows/package.sh:
;   makensis -DSTAGE=<folder with the program> -DLOGO=<logo.ico> -DOUTFILE=<setup.exe> VarnoSoftware.nsi
; 64-bit throughout: the amd64 stubs, Program Files, and the 64-bit registry view.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

!define NAME "Varno软件"
!define VERSION "1.0"
!define EXE "VarnoSoftware.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\VarnoSoftware"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define STARTUP_APPROVED_KEY "Software\Microsoft\Windows\CurrentVersion\Explorer\StartupApproved\Run"

Name "${NAME}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\VarnoSoftware"
RequestExecutionLevel admin
VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "${NAME}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "CompanyName" "VarnoSoftware"
VIAddVersionKey /LANG=2052 "LegalCopyright" "VarnoSoftware"
VIAddVersionKey /LANG=2052 "FileDescription" "${NAME} 安装程序"

!define MUI_ICON "${LOGO}"
!define MUI_UNICON "${LOGO}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"
!define MUI_FINISHPAGE_RUN_TEXT "运行 ${NAME}"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Function un.onInit
    SetRegView 64
    SetShellVarContext all
FunctionEnd

Section "${NAME}" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${EXE}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "VarnoSoftware"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Off unless chosen: the daily shutdown and the reminders work only while the
; program runs, but starting it with Windows is the user's call. The same
; value as the program's own tray entry writes: into the tray, quietly.
Section /o "开机时启动" SecAutostart
    WriteRegStr HKCU "${RUN_KEY}" "VarnoSoftware" '"$INSTDIR\${EXE}" --autostart'
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "VarnoSoftware"
SectionEnd

; Installed for every user of the machine, as Program Files is. /AUTOSTART
; chooses "开机时启动" for a silent install.
Function .onInit
    SetRegView 64
    SetShellVarContext all
    ${GetParameters} $0
    ClearErrors
    ${GetOptions} $0 "/AUTOSTART" $1
    ${IfNot} ${Errors}
        SectionSetFlags ${SecAutostart} ${SF_SELECTED}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    DeleteRegValue HKCU "${RUN_KEY}" "VarnoSoftware"
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "VarnoSoftware"
    Delete "$SMPROGRAMS\${NAME}.lnk"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    RMDir /r "$INSTDIR"
SectionEnd
