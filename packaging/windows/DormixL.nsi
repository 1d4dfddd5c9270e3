; Installer for Dormix Lite on Windows.
;   makensis -DEXE=path\DormixL.exe -DICON=path\DormixL.ico -DOUTFILE=DormixL-setup.exe
;            -DPOLICYDIR=path\packaging\windows DormixL.nsi
; Silent roll-out: DormixL-setup.exe /S [/NOAUTOSTART]
; Silent removal:  Uninstall.exe /S [/REMOVELOG]

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Dormix Lite"
!define VERSION "2.1.0.8"
!define PUBLISHER "The Dormix Lite authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DormixLite"
; The Application log's source; its texts are DormixL.exe's message table.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\${PRODUCT}"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "LegalCopyright" "(c) 2026 ${PUBLISHER}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Section "-Program"
  SetShellVarContext all
  ; The working directory of the shortcuts is the install folder, so the
  ; program finds its Log folder there.
  SetOutPath "$INSTDIR"
  File "/oname=DormixL.exe" "${EXE}"
  ; The Group Policy template, for administrators to copy into PolicyDefinitions.
  SetOutPath "$INSTDIR\PolicyDefinitions"
  File "${POLICYDIR}\DormixLite.admx"
  SetOutPath "$INSTDIR\PolicyDefinitions\en-US"
  File "${POLICYDIR}\en-US\DormixLite.adml"
  SetOutPath "$INSTDIR"
  CreateDirectory "$INSTDIR\Log"
  ; The log folder is shared by every user of the machine (SIDs: SYSTEM,
  ; Administrators, Users, OWNER RIGHTS). Users may list the folder and add
  ; files to it, so the first start can create the log, and may read and
  ; append to the files in it; nothing more: no deleting, overwriting,
  ; renaming, sub-folders or permission changes. OWNER RIGHTS holds the
  ; creator of the log to the same, so owning it gives no power over its
  ; permissions. Nothing is inherited from Program Files, whose CREATOR
  ; OWNER entry would give the creator full control.
  Push '"$INSTDIR\Log" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(RD,WD,X,RA,REA,RC,S)'
  Call Icacls
  Push '"$INSTDIR\Log" /grant *S-1-5-32-545:(OI)(IO)(RD,AD,RA,REA,RC,S) *S-1-3-4:(OI)(IO)(RD,AD,RA,REA,RC,S)'
  Call Icacls
  ; A log kept from an earlier install takes the folder's rules.
  IfFileExists "$INSTDIR\Log\DormixL.log" 0 +3
    Push '"$INSTDIR\Log\DormixL.log" /reset'
    Call Icacls
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\DormixL.exe" "" "$INSTDIR\DormixL.exe" 0
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\DormixL.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMajor" 2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "VersionMinor" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  WriteRegStr HKLM "${EVENT_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\DormixL.exe"
  WriteRegDWORD HKLM "${EVENT_SOURCE_KEY}" "TypesSupported" 7
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

Section "Start with Windows" SecAutostart
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMSTARTUP\${PRODUCT}.lnk" "$INSTDIR\DormixL.exe" "" "$INSTDIR\DormixL.exe" 0
SectionEnd

; icacls with the arguments on the stack. Without the Log folder's rules
; every user's copy would end with "Unable to create the log file", so a
; failure (an exit code other than 0, or "error" when it cannot start) ends
; the install with the reason: in a box, in the details, and for /S in the
; exit code 2. The program copied so far is taken away again; a kept log
; stays.
Function Icacls
  Exch $R9
  DetailPrint "icacls $R9"
  nsExec::ExecToLog 'icacls $R9'
  Pop $R8
  StrCmp $R8 0 granted
  DetailPrint "Setting the permissions of the Log folder failed (icacls: $R8)."
  MessageBox MB_OK|MB_ICONSTOP "Setting the permissions of the Log folder failed (icacls: $R8).$\r$\nUsers could not write the log, so ${PRODUCT} is not installed." /SD IDOK
  Delete "$INSTDIR\DormixL.exe"
  RMDir "$INSTDIR\Log"
  RMDir "$INSTDIR"
  Abort "Setting the permissions of the Log folder failed (icacls: $R8)."
granted:
  Pop $R9
FunctionEnd

Function .onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOAUTOSTART" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecAutostart} 0
  ${EndIf}
FunctionEnd

Section "-un.Program"
  SetShellVarContext all
  Delete "$SMSTARTUP\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
  Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
  RMDir "$SMPROGRAMS\${PRODUCT}"
  Delete "$INSTDIR\DormixL.exe"
  Delete "$INSTDIR\Uninstall.exe"
  Delete "$INSTDIR\PolicyDefinitions\en-US\DormixLite.adml"
  RMDir "$INSTDIR\PolicyDefinitions\en-US"
  Delete "$INSTDIR\PolicyDefinitions\DormixLite.admx"
  RMDir "$INSTDIR\PolicyDefinitions"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${EVENT_SOURCE_KEY}"
SectionEnd

; The log is the history of the machine: kept unless asked for.
Section /o "un.Remove the log" SecRemoveLog
  RMDir /r "$INSTDIR\Log"
SectionEnd

Section "-un.Folder"
  ; Removed only when empty, so a kept log keeps its folder.
  RMDir "$INSTDIR"
SectionEnd

Function un.onInit
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/REMOVELOG" $R1
  ${IfNot} ${Errors}
    SectionSetFlags ${SecRemoveLog} 1
  ${EndIf}
FunctionEnd
