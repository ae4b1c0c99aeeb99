; The Windows installer of Varno软件, made by tools/windows/package.sh:
;   makensis -DSTAGE=<folder with the program> -DLOGO=<logo.ico> -DOUTFILE=<setup.exe> VarnoSoftware.nsi
; 64-bit throughout: the amd64 stubs and the 64-bit registry view.
; Per user, as tray programs are: each user runs a program of their own, with
; reminders and a shutdown of their own, so no elevation is asked for and
; nothing is written outside the user's profile and HKCU. The folder is the
; one Windows keeps for programs of one user (FOLDERID_UserProgramFiles).
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
InstallDir "$LOCALAPPDATA\Programs\VarnoSoftware"
RequestExecutionLevel user
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
    SetShellVarContext current
FunctionEnd

Section "${NAME}" SecProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*.*"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\${EXE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "VarnoSoftware"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\${EXE}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Off unless chosen: the daily shutdown and the reminders work only while the
; program runs, but starting it with Windows is the user's call. The same
; value as the program's own tray entry writes: into the tray, quietly.
Section /o "开机时启动" SecAutostart
    WriteRegStr HKCU "${RUN_KEY}" "VarnoSoftware" '"$INSTDIR\${EXE}" --autostart'
    DeleteRegValue HKCU "${STARTUP_APPROVED_KEY}" "VarnoSoftware"
SectionEnd

; /AUTOSTART chooses "开机时启动" for a silent install.
Function .onInit
    SetRegView 64
    SetShellVarContext current
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
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    RMDir /r "$INSTDIR"
SectionEnd
