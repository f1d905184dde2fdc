; Tidemark's Windows installer: the program folder, a Start-menu entry and an uninstaller.
; dev/windows gives VERSION, SOURCE (the folder of the portable zip) and SORTIE (the file to
; write).
; A 64-bit installer: it runs where the program runs, and Wine needs no 32-bit side.
Target amd64-unicode
SetCompressor /SOLID lzma
!include "MUI2.nsh"
!include "x64.nsh"

Name "Tidemark ${VERSION}"
OutFile "${SORTIE}"
InstallDir "$PROGRAMFILES64\Tidemark"
InstallDirRegKey HKLM "Software\Tidemark" "InstallDir"
RequestExecutionLevel admin

!define DESINSTALLATION "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tidemark"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

Function .onInit
    SetRegView 64
FunctionEnd

Function un.onInit
    SetRegView 64
FunctionEnd

Section "Tidemark"
    SetOutPath "$INSTDIR"
    File /r "${SOURCE}\*.*"
    WriteUninstaller "$INSTDIR\desinstaller.exe"
    CreateShortCut "$SMPROGRAMS\Tidemark.lnk" "$INSTDIR\tidemark.exe"
    WriteRegStr HKLM "Software\Tidemark" "InstallDir" "$INSTDIR"
    WriteRegStr HKLM "${DESINSTALLATION}" "DisplayName" "Tidemark"
    WriteRegStr HKLM "${DESINSTALLATION}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${DESINSTALLATION}" "Publisher" "Tidemark"
    WriteRegStr HKLM "${DESINSTALLATION}" "DisplayIcon" "$INSTDIR\tidemark.exe"
    WriteRegStr HKLM "${DESINSTALLATION}" "UninstallString" '"$INSTDIR\desinstaller.exe"'
    WriteRegDWORD HKLM "${DESINSTALLATION}" "NoModify" 1
    WriteRegDWORD HKLM "${DESINSTALLATION}" "NoRepair" 1
SectionEnd

; The user's settings (HKEY_CURRENT_USER\Software\Tidemark) stay: they are the user's.
Section "Uninstall"
    Delete "$SMPROGRAMS\Tidemark.lnk"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\translations"
    Delete "$INSTDIR\*.exe"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\intro.txt"
    Delete "$INSTDIR\LISEZMOI.md"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${DESINSTALLATION}"
    DeleteRegKey HKLM "Software\Tidemark"
SectionEnd
