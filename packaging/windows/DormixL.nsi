; Installer for Dormix Lite on Windows.
;   makensis -DEXE=path\DormixL.exe -DWATCHEXE=path\DormixWatch.exe -DREPORTEXE=path\DormixReport.exe -DICON=path\DormixL.ico
;            -DSETUPDLL=path\DormixSetup.dll
;            -DOUTFILE=DormixL-setup.exe -DPOLICYDIR=path\packaging\windows DormixL.nsi
; Silent roll-out: DormixL-setup.exe /S [/NOAUTOSTART] [/WATCH | /WATCH=1 | /WATCH=0]
;   (any other value of /WATCH= is refused with status 2, nothing changed)
;   /WATCH (or /WATCH=1) turns the system watch on, /WATCH=0 off; without
;   either a watch an earlier install turned on stays on.
; Silent removal:  Uninstall.exe /S [/REMOVELOG]

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!define PRODUCT "Dormix Lite"
!ifndef VERSION
  !error "VERSION comes from the project's version: build with cmake"
!endif
!define PUBLISHER "The Dormix Lite authors"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\DormixLite"
; The Application log's source; its texts are DormixL.exe's message table.
!define EVENT_SOURCE_KEY "SYSTEM\CurrentControlSet\Services\EventLog\Application\${PRODUCT}"
; The system watch's service, and its own source with the same message table.
!define WATCH_SERVICE "DormixLiteWatch"
!define WATCH_SOURCE_KEY "${EVENT_SOURCE_KEY} Watch"

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "StrFunc.nsh"
${StrStr}
${UnStrStr}

; The watch's start type: "disabled" unless the administrator chose it.
Var WatchStart
; "1" when the watch was running before this run stopped it.
Var WatchRan
; "1" when an earlier install's program is in the install folder.
Var Earlier
; The command line's say on the watch: "1", "0", or "" (keep as it was).
Var WatchChoice

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

; An install over an earlier one keeps that one's files (in $PLUGINSDIR)
; until every step has passed; a step that fails puts them back, and a
; first install that fails takes away everything it made (.onInstFailed).
Section "-Program"
  SetShellVarContext all
  InitPluginsDir
  StrCpy $Earlier "0"
  IfFileExists "$INSTDIR\DormixL.exe" 0 +2
    StrCpy $Earlier "1"
  ; A running watch holds its executable, and with AllowExit=0 it would
  ; start the program again: it stops first, then the program's copies.
  Call StopWatch
  Call EndTray
  ; The folders and their rules come before any file, so that a failure
  ; here leaves an earlier install as it was.
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
  ; The watch's log, apart: every user may add files to Log, and a file
  ; made there before the watch's first start would stand in for its log.
  ; Only the system and administrators write here; Users may read.
  CreateDirectory "$INSTDIR\WatchLog"
  Push '"$INSTDIR\WatchLog" /inheritance:r /grant:r *S-1-5-18:(OI)(CI)F *S-1-5-32-544:(OI)(CI)F *S-1-5-32-545:(OI)(CI)RX'
  Call Icacls

  ${If} $Earlier == "1"
    CreateDirectory "$PLUGINSDIR\kept"
    CopyFiles /SILENT "$INSTDIR\*.exe" "$PLUGINSDIR\kept"
    CopyFiles /SILENT "$INSTDIR\PolicyDefinitions" "$PLUGINSDIR\kept"
  ${EndIf}
  ; The working directory of the shortcuts is the install folder, so the
  ; program finds its Log folder there.
  SetOutPath "$INSTDIR"
  File "/oname=DormixL.exe" "${EXE}"
  File "/oname=DormixWatch.exe" "${WATCHEXE}"
  File "/oname=DormixReport.exe" "${REPORTEXE}"
  ; The Group Policy template, for administrators to copy into PolicyDefinitions.
  SetOutPath "$INSTDIR\PolicyDefinitions"
  File "${POLICYDIR}\DormixLite.admx"
  SetOutPath "$INSTDIR\PolicyDefinitions\en-US"
  File "${POLICYDIR}\en-US\DormixLite.adml"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateDirectory "$SMPROGRAMS\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\DormixL.exe" "" "$INSTDIR\DormixL.exe" 0
  CreateShortCut "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk" "$INSTDIR\Uninstall.exe"
SectionEnd

Section "Start with Windows" SecAutostart
  SetShellVarContext all
  SetOutPath "$INSTDIR"
  CreateShortCut "$SMSTARTUP\${PRODUCT}.lnk" "$INSTDIR\DormixL.exe" "" "$INSTDIR\DormixL.exe" 0
SectionEnd

; Powers the machine off when nobody has been logged on for the idle limit.
; Registered either way, but stopped and disabled unless chosen (/WATCH).
Section /o "System watch: switch off at the logon screen" SecWatch
  StrCpy $WatchStart "auto"
SectionEnd

Section "-Watch service"
  Push 'create ${WATCH_SERVICE} binPath= "\"$INSTDIR\DormixWatch.exe\"" start= $WatchStart obj= LocalSystem DisplayName= "${PRODUCT} Watch"'
  Call Sc
  Pop $R0
  ; An earlier install's service (ERROR_SERVICE_EXISTS, though some sc
  ; tools exit with 1 for any failure): take the new settings; where sc
  ; cannot change a service, make it anew (it is stopped).
  ${If} $R0 != 0
    Push 'config ${WATCH_SERVICE} binPath= "\"$INSTDIR\DormixWatch.exe\"" start= $WatchStart'
    Call Sc
    Pop $R0
    ${If} $R0 != 0
      Push 'delete ${WATCH_SERVICE}'
      Call Sc
      Pop $R0
      ; Deleted once its last handle closes (ERROR_SERVICE_MARKED_FOR_DELETE
      ; until then): tried for at most 10 s.
      StrCpy $R1 0
      ${Do}
        Push 'create ${WATCH_SERVICE} binPath= "\"$INSTDIR\DormixWatch.exe\"" start= $WatchStart obj= LocalSystem DisplayName= "${PRODUCT} Watch"'
        Call Sc
        Pop $R0
        IntOp $R1 $R1 + 1
        ${If} $R0 == 0
        ${OrIf} $R1 > 20
          ${Break}
        ${EndIf}
        Sleep 500
      ${Loop}
    ${EndIf}
  ${EndIf}
  ${If} $R0 != 0
    MessageBox MB_OK|MB_ICONSTOP "Registering the service ${WATCH_SERVICE} failed (sc: $R0)." /SD IDOK
    Abort "Registering the service ${WATCH_SERVICE} failed (sc: $R0)."
  ${EndIf}
  Push 'description ${WATCH_SERVICE} "Switches the computer off when nobody has been logged on to it for the idle limit."'
  Call Sc
  Pop $R0
  ; After a failure (a refused power-off, the log out of reach) the service
  ; manager starts it again a minute later; failureflag makes a stop with an
  ; error code count as a failure. Neither stops the install: the watch works
  ; without them (some service managers know no failureflag).
  Push 'failure ${WATCH_SERVICE} reset= 86400 actions= restart/60000'
  Call Sc
  Pop $R0
  Push 'failureflag ${WATCH_SERVICE} 1'
  Call Sc
  Pop $R0
  ${If} $WatchStart == "auto"
    Push 'start ${WATCH_SERVICE}'
    Call Sc
    Pop $R0
  ${EndIf}
SectionEnd

; Last, once everything else has passed: Add/Remove Programs and the
; event sources.
Section "-Register"
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
  WriteRegStr HKLM "${WATCH_SOURCE_KEY}" "EventMessageFile" "$INSTDIR\DormixL.exe"
  WriteRegDWORD HKLM "${WATCH_SOURCE_KEY}" "TypesSupported" 7
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; A step failed: an earlier install gets its files back, and its watch
; running again if it ran; a first install takes away every file, shortcut
; and empty folder it made. The program's copies ended before stay ended:
; nothing starts that the administrator did not ask for.
Function .onInstFailed
  SetShellVarContext all
  ${If} $Earlier == "1"
    CopyFiles /SILENT "$PLUGINSDIR\kept\*.*" "$INSTDIR"
  ${Else}
    Delete "$INSTDIR\DormixL.exe"
    Delete "$INSTDIR\DormixWatch.exe"
    Delete "$INSTDIR\DormixReport.exe"
    Delete "$INSTDIR\Uninstall.exe"
    Delete "$INSTDIR\PolicyDefinitions\en-US\DormixLite.adml"
    RMDir "$INSTDIR\PolicyDefinitions\en-US"
    Delete "$INSTDIR\PolicyDefinitions\DormixLite.admx"
    RMDir "$INSTDIR\PolicyDefinitions"
    Delete "$SMSTARTUP\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\Uninstall ${PRODUCT}.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"
    ; A kept log keeps its folder.
    RMDir "$INSTDIR\Log"
    RMDir "$INSTDIR\WatchLog"
    RMDir "$INSTDIR"
  ${EndIf}
  ${If} $WatchRan == "1"
    nsExec::ExecToLog 'sc start ${WATCH_SERVICE}'
    Pop $R0
  ${EndIf}
FunctionEnd

; Ends every running copy of the program in this folder, in every session:
; told the session ends where it can hear it (it writes its exit entry),
; ended by force where it cannot. DormixSetup.dll does it, as for the MSI.
!macro EndTrayFunction prefix
Function ${prefix}EndTray
  Push $R0
  File "/oname=$PLUGINSDIR\DormixSetup.dll" "${SETUPDLL}"
  System::Call '$PLUGINSDIR\DormixSetup.dll::EndTrayCopies(w "$INSTDIR\DormixL.exe") i .R0 ?u'
  ${If} $R0 != 0
    DetailPrint "A copy of ${PRODUCT} that is running did not end."
  ${EndIf}
  Pop $R0
FunctionEnd
!macroend
!insertmacro EndTrayFunction ""
!insertmacro EndTrayFunction "un."

; sc with the arguments on the stack; leaves its exit code on the stack.
!macro ScFunction prefix
Function ${prefix}Sc
  Exch $R9
  DetailPrint "sc $R9"
  nsExec::ExecToLog 'sc $R9'
  Exch
  Pop $R9
FunctionEnd
!macroend
!insertmacro ScFunction ""
!insertmacro ScFunction "un."

; Asks the watch to stop and waits (at most 10 s) until it has: it writes
; its exit entry and ends within a second.
!macro StopWatchFunction prefix
Function ${prefix}StopWatch
  Push $R0
  Push $R1
  Push $R2
  nsExec::ExecToStack 'sc query ${WATCH_SERVICE}'
  Pop $R0
  Pop $R1
  !if "${prefix}" == "un."
    ${UnStrStr} $R0 $R1 "RUNNING"
  !else
    ${StrStr} $R0 $R1 "RUNNING"
  !endif
  StrCpy $WatchRan "0"
  ${If} $R0 != ""
    StrCpy $WatchRan "1"
  ${EndIf}
  nsExec::ExecToLog 'sc stop ${WATCH_SERVICE}'
  Pop $R0
  StrCpy $R2 0
  ${Do}
    nsExec::ExecToStack 'sc query ${WATCH_SERVICE}'
    Pop $R0
    Pop $R1
    ${If} $R0 != 0
      ${Break}  ; no such service
    ${EndIf}
    !if "${prefix}" == "un."
      ${UnStrStr} $R0 $R1 "STOPPED"
    !else
      ${StrStr} $R0 $R1 "STOPPED"
    !endif
    ${If} $R0 != ""
      ${Break}
    ${EndIf}
    IntOp $R2 $R2 + 1
    ${If} $R2 > 20
      ${Break}
    ${EndIf}
    Sleep 500
  ${Loop}
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro StopWatchFunction ""
!insertmacro StopWatchFunction "un."

; icacls with the arguments on the stack. Without the Log folder's rules
; every user's copy would end with "Unable to create the log file", so a
; failure (an exit code other than 0, or "error" when it cannot start) ends
; the install with the reason: in a box, in the details, and for /S in the
; exit code 2. It runs before any file is copied; .onInstFailed cleans up.
Function Icacls
  Exch $R9
  DetailPrint "icacls $R9"
  nsExec::ExecToLog 'icacls $R9'
  Pop $R8
  StrCmp $R8 0 granted
  DetailPrint "Setting the permissions of the Log folder failed (icacls: $R8)."
  MessageBox MB_OK|MB_ICONSTOP "Setting the permissions of the Log folder failed (icacls: $R8).$\r$\nUsers could not write the log, so ${PRODUCT} is not installed." /SD IDOK
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
  StrCpy $WatchStart "disabled"
  ; Whole words only: GetOptions takes /WATCHDOG for /WATCH with "DOG".
  ; The last one given counts.
  StrCpy $WatchChoice ""
  StrCpy $R2 " $R0 "
  ${Do}
    ${StrStr} $R1 $R2 " /WATCH"
    ${If} $R1 == ""
      ${Break}
    ${EndIf}
    StrCpy $R2 $R1 "" 7  ; what follows " /WATCH"
    StrCpy $R3 $R2 3     ; " ", "=0 ", "=1 " or something else
    StrCpy $R4 $R2 1
    ${If} $R4 == " "
    ${OrIf} $R3 == "=1 "
      StrCpy $WatchChoice "1"
    ${ElseIf} $R3 == "=0 "
      StrCpy $WatchChoice "0"
    ${ElseIf} $R4 == "="
      ; /WATCH=2, /WATCH=yes: a value the installer cannot read changes nothing.
      MessageBox MB_OK|MB_ICONSTOP "/WATCH takes 0 (off) or 1 (on), nothing else; nothing was installed." /SD IDOK
      SetErrorLevel 2
      Quit
    ${EndIf}
  ${Loop}
  ; A watch an earlier install turned on (start type 2, automatic) stays on
  ; unless /WATCH=0.
  ClearErrors
  ReadRegDWORD $R1 HKLM "SYSTEM\CurrentControlSet\Services\${WATCH_SERVICE}" "Start"
  ${If} $WatchChoice == "1"
  ${OrIf} $WatchChoice$R1 == "2"
    SectionSetFlags ${SecWatch} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "-un.Program"
  SetShellVarContext all
  InitPluginsDir
  Call un.StopWatch
  Push 'delete ${WATCH_SERVICE}'
  Call un.Sc
  Pop $R0
  Call un.EndTray
  Delete "$INSTDIR\DormixWatch.exe"
  Delete "$INSTDIR\DormixReport.exe"
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
  DeleteRegKey HKLM "${WATCH_SOURCE_KEY}"
SectionEnd

; The logs are the history of the machine: kept unless asked for.
Section /o "un.Remove the log" SecRemoveLog
  RMDir /r "$INSTDIR\Log"
  RMDir /r "$INSTDIR\WatchLog"
SectionEnd

Section "-un.Folder"
  ; Removed only when empty, so a kept log keeps its folder.
  RMDir "$INSTDIR\WatchLog"
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
