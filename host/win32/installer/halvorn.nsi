; The Windows installer of Halvorn: puts Halvorn.scr into the system folder,
; where the screen saver settings look, offers to make it the current screen
; saver, and registers an uninstaller in "Apps and features". /S runs it
; silently with the defaults (Halvorn becomes the current saver); installing
; over an older version replaces it in place. Built by host/win32/installer.cmake:
;
;   makensis -DVERSION=1.1.0 -DSCR=Halvorn.scr -DLICENSE=LICENSE.txt -DICON=halvorn.ico
;            -DOUTFILE=HalvornSetup-1.1.0.exe halvorn.nsi

; A 64-bit installer: the saver is a 64-bit program, and a 64-bit Wine without
; its 32-bit half starts no 32-bit installer.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include x64.nsh
!include FileFunc.nsh

!define UninstallKey "Software\Microsoft\Windows\CurrentVersion\Uninstall\Halvorn"
!define DesktopKey "Control Panel\Desktop"
; SystemParametersInfo: SPI_SETSCREENSAVEACTIVE, written to the profile and broadcast.
!define SpiSetScreenSaveActive 17
!define SpifUpdateAndSend 3

Name "Halvorn ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Halvorn"
RequestExecutionLevel admin
BrandingText "Halvorn ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 ProductName "Halvorn"
VIAddVersionKey /LANG=1033 ProductVersion "${VERSION}"
VIAddVersionKey /LANG=1033 FileVersion "${VERSION}"
VIAddVersionKey /LANG=1033 FileDescription "Halvorn screen saver setup"
VIAddVersionKey /LANG=1033 CompanyName "The Halvorn developers"
VIAddVersionKey /LANG=1033 LegalCopyright "Copyright (c) 2026 The Halvorn developers (MIT licence)"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_LICENSE "${LICENSE}"
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  ${IfNot} ${RunningX64}
    MessageBox MB_ICONSTOP "Halvorn needs the 64-bit edition of Windows." /SD IDOK
    Abort
  ${EndIf}
  SetRegView 64
FunctionEnd

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Halvorn screen saver" SecSaver
  SectionIn RO
  ; The real System32, never the 32-bit SysWOW64 a redirected process would see.
  ${DisableX64FSRedirection}
  SetOutPath "$SYSDIR"
  File "/oname=Halvorn.scr" "${SCR}"
  FileOpen $0 "$SYSDIR\Halvorn.scr" r
  FileSeek $0 0 END $1
  FileClose $0
  ${EnableX64FSRedirection}

  SetOutPath "$INSTDIR"
  File "/oname=LICENSE.txt" "${LICENSE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ${GetSize} "$INSTDIR" "/S=0K" $2 $3 $4
  IntOp $1 $1 / 1024
  IntOp $1 $1 + $2

  WriteRegStr HKLM "${UninstallKey}" "DisplayName" "Halvorn screen saver"
  WriteRegStr HKLM "${UninstallKey}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UninstallKey}" "Publisher" "The Halvorn developers"
  WriteRegStr HKLM "${UninstallKey}" "DisplayIcon" "$SYSDIR\Halvorn.scr,0"
  WriteRegStr HKLM "${UninstallKey}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UninstallKey}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UninstallKey}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UninstallKey}" "EstimatedSize" $1
  WriteRegDWORD HKLM "${UninstallKey}" "NoModify" 1
  WriteRegDWORD HKLM "${UninstallKey}" "NoRepair" 1
SectionEnd

Section "Use Halvorn as my screen saver" SecUse
  WriteRegStr HKCU "${DesktopKey}" "SCRNSAVE.EXE" "$SYSDIR\Halvorn.scr"
  WriteRegStr HKCU "${DesktopKey}" "ScreenSaveActive" "1"
  System::Call 'user32::SystemParametersInfoW(i ${SpiSetScreenSaveActive}, i 1, p 0, i ${SpifUpdateAndSend})'
SectionEnd

Section "Uninstall"
  ${DisableX64FSRedirection}
  Delete /REBOOTOK "$SYSDIR\Halvorn.scr"
  ${EnableX64FSRedirection}

  ; The current saver goes only if it is still Halvorn: another choice stays.
  ReadRegStr $0 HKCU "${DesktopKey}" "SCRNSAVE.EXE"
  ${If} $0 != ""
    System::Call 'kernel32::GetLongPathNameW(w r0, w .r1, i ${NSIS_MAX_STRLEN}) i .r2'
    ${If} $2 == 0
      StrCpy $1 $0
    ${EndIf}
    ${GetFileName} $1 $3
    ${If} $3 == "Halvorn.scr"
      DeleteRegValue HKCU "${DesktopKey}" "SCRNSAVE.EXE"
      System::Call 'user32::SystemParametersInfoW(i ${SpiSetScreenSaveActive}, i 0, p 0, i ${SpifUpdateAndSend})'
    ${EndIf}
  ${EndIf}

  Delete "$INSTDIR\LICENSE.txt"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  DeleteRegKey HKLM "${UninstallKey}"
SectionEnd
