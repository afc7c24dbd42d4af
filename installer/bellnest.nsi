; Bellnest's installer and uninstaller: per user, without administrator rights. One script, two
; builds: x86 (any Windows) and amd64 (-DAMD64). Both carry the 64-bit and the 32-bit DLLs and
; register the ones that match Outlook's bitness.
;
; Defines (CMake passes them): OUTFILE, VERSION (major.minor.revision, as the About box shows
; it), FILE_VERSION (the DLLs' four-part file version), ICON, HELP (bellnest.chm), DLL64 and
; optionally DLL32 (PPBellnest.dll of each bitness), ADDIN_FILE with ADDIN64 and optionally
; ADDIN32 (the add-in DLL's name and the builds of it). AMD64 builds the 64-bit installer.
;
; Switches: /S silent; the uninstaller's /REMOVEDATA also removes the user's settings and log.
; Exit codes: 0 done, 1 a registration failed, 2 cancelled (Outlook was running).

Unicode true
!ifdef AMD64
  Target amd64-unicode
!endif
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include x64.nsh
!include nsDialogs.nsh

!define PRODUCT "Bellnest"
!define PUBLISHER "Quillfen Systems, Inc."
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Bellnest"
!define DATA_KEY "Software\Quillfen\Bellnest"
!define ADDINS_KEY "Software\Microsoft\Office\Outlook\Addins\Bellnest.Connect"
; Outlook's main window class, the same in every version since Outlook 97. Looking for the
; window needs neither rights nor a plug-in, and a running Outlook always has it, also
; minimised to the notification area.
!define OUTLOOK_WINDOW_CLASS "rctrl_renwnd32"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Bellnest"
Icon "${ICON}"
UninstallIcon "${ICON}"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${FILE_VERSION}"
VIFileVersion "${FILE_VERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} Setup"
VIAddVersionKey "FileVersion" "${FILE_VERSION}"
VIAddVersionKey "ProductVersion" "${FILE_VERSION}"
VIAddVersionKey "LegalCopyright" "${PUBLISHER}"

Var Regsvr64   ; the regsvr32 of each bitness, empty where this Windows has none
Var Regsvr32
Var Failed     ; set when a registration the user needs failed
Var RemoveData ; uninstaller: 1 removes the user's settings and log too
Var RemoveDataBox
Var RdoNote    ; what is missing of the RDO library, each followed by a blank line, for the finish page
Var RdoLog     ; the RDO library check's outcome, for install.log

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_WELCOMEPAGE_TEXT "Setup installs Bellnest ${VERSION} for you alone, without administrator rights. Bellnest adds a tab to Outlook's Options dialog on which you choose further folders that raise reminders.$\r$\n$\r$\nClose Outlook before you go on. Your folder choices and options from an earlier version are kept.$\r$\n$\r$\nClick Install to start the installation."
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_TEXT "Bellnest ${VERSION} has been installed. It appears on the next start of Outlook.$\r$\n$\r$\n$RdoNoteClick Finish to close Setup."
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
UninstPage custom un.DataPage un.DataPageLeave
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; Stops while Outlook runs: it holds the add-in and may hold the page, so their files cannot be
; replaced, and it reads the registration only when it starts. Silent runs exit with code 2.
!macro WaitForOutlookClosed
  FindWindow $0 "${OUTLOOK_WINDOW_CLASS}"
  ${DoWhile} $0 <> 0
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Outlook is running.$\r$\n$\r$\nClose Outlook, then click Retry." /SD IDCANCEL IDRETRY +3
    SetErrorLevel 2
    Quit
    FindWindow $0 "${OUTLOOK_WINDOW_CLASS}"
  ${Loop}
!macroend

; Where regsvr32 of each bitness lives, as this installer (32 or 64-bit) sees the system folders.
!macro FindRegsvr
  !ifdef AMD64
    ; A 64-bit installer runs on 64-bit Windows alone.
    StrCpy $Regsvr64 "$SYSDIR\regsvr32.exe"
    StrCpy $Regsvr32 "$WINDIR\SysWOW64\regsvr32.exe"
  !else
    StrCpy $Regsvr64 ""
    ${If} ${RunningX64}
      StrCpy $Regsvr64 "$WINDIR\Sysnative\regsvr32.exe"
    ${EndIf}
    StrCpy $Regsvr32 "$SYSDIR\regsvr32.exe"
  !endif
!macroend

; Runs regsvr32 (per user) on one DLL: $0 is its exit code, or "error" when it could not start.
!macro Regsvr REGSVR ARGS DLL
  ClearErrors
  ExecWait '"${REGSVR}" /s ${ARGS} /n /i:user "${DLL}"' $0
  ${If} ${Errors}
    StrCpy $0 "error"
  ${EndIf}
!macroend

; Registers the DLLs of one bitness folder. A regsvr32 that cannot start (32-bit programs where
; Windows cannot run them) is told and the install goes on with the other bitness.
!macro RegisterFolder REGSVR FOLDER BITS
  ${If} ${REGSVR} == ""
    DetailPrint "No ${BITS}-bit Windows: the ${BITS}-bit DLLs are not registered."
  ${Else}
    !insertmacro Regsvr ${REGSVR} "" "$INSTDIR\${FOLDER}\PPBellnest.dll"
    ${If} $0 == "error"
      DetailPrint "${BITS}-bit registration could not run (${REGSVR})."
      MessageBox MB_OK|MB_ICONEXCLAMATION "The ${BITS}-bit Bellnest could not be registered: Windows could not start ${REGSVR}.$\r$\n$\r$\nA ${BITS}-bit Outlook will not show the Bellnest tab. Setup goes on with the rest." /SD IDOK
    ${ElseIf} $0 != 0
      DetailPrint "${BITS}-bit page registration failed (code $0)."
      StrCpy $Failed 1
    ${Else}
      DetailPrint "${BITS}-bit page registered."
      !ifdef ADDIN_FILE
        !insertmacro Regsvr ${REGSVR} "" "$INSTDIR\${FOLDER}\${ADDIN_FILE}"
        ${If} $0 != 0
          DetailPrint "${BITS}-bit add-in registration failed (code $0)."
          StrCpy $Failed 1
        ${Else}
          DetailPrint "${BITS}-bit add-in registered."
        ${EndIf}
      !endif
    ${EndIf}
  ${EndIf}
!macroend

; Outlook's bitness into $1: "x64", "x86", or "" when it cannot be told. Office 2010 and later
; write it (Click-to-Run under Configuration\Platform, MSI installs as the Outlook key's
; Bitness, in the 32-bit registry view for a 32-bit Office on 64-bit Windows); older Outlooks
; are 32-bit only but say nothing, so both bitnesses are registered for them.
!macro ReadBitness KEY VALUE
  ${If} $1 == ""
    ReadRegStr $1 HKLM "${KEY}" "${VALUE}"
  ${EndIf}
!macroend
Function OutlookBitness
  StrCpy $1 ""
  !ifndef AMD64
    ${IfNot} ${RunningX64}
      StrCpy $1 "x86"
      Return
    ${EndIf}
  !endif
  SetRegView 64
  !insertmacro ReadBitness "Software\Microsoft\Office\ClickToRun\Configuration" "Platform"
  !insertmacro ReadBitness "Software\Microsoft\Office\16.0\Outlook" "Bitness"
  !insertmacro ReadBitness "Software\Microsoft\Office\15.0\Outlook" "Bitness"
  !insertmacro ReadBitness "Software\Microsoft\Office\14.0\Outlook" "Bitness"
  SetRegView 32
  !insertmacro ReadBitness "Software\Microsoft\Office\16.0\Outlook" "Bitness"
  !insertmacro ReadBitness "Software\Microsoft\Office\15.0\Outlook" "Bitness"
  !insertmacro ReadBitness "Software\Microsoft\Office\14.0\Outlook" "Bitness"
  SetRegView lastused
  ${If} $1 != "x64"
  ${AndIf} $1 != "x86"
    StrCpy $1 ""
  ${EndIf}
FunctionEnd

Function .onInit
  SetShellVarContext current
  !insertmacro WaitForOutlookClosed
FunctionEnd

; Whether the RDO library the page creates its session from is there for the page of VIEW bits:
; its ProgID's class with an in-process server in that registry view, per user or per machine
; (OTHER: the other view, to tell a library of the wrong bitness). The install goes on either
; way; what is missing goes to the details, $RdoLog and $RdoNote.
!macro CheckRdo VIEW OTHER
  ReadRegStr $2 HKCR "QFSMAPI.QFSSession\CLSID" ""
  StrCpy $3 ""
  StrCpy $4 ""
  ${If} $2 != ""
    SetRegView ${VIEW}
    ReadRegStr $3 HKCU "Software\Classes\CLSID\$2\InprocServer32" ""
    ${If} $3 == ""
      ReadRegStr $3 HKLM "Software\Classes\CLSID\$2\InprocServer32" ""
    ${EndIf}
    SetRegView ${OTHER}
    ReadRegStr $4 HKCU "Software\Classes\CLSID\$2\InprocServer32" ""
    ${If} $4 == ""
      ReadRegStr $4 HKLM "Software\Classes\CLSID\$2\InprocServer32" ""
    ${EndIf}
    SetRegView default
  ${EndIf}
  ${If} $3 != ""
    StrCpy $5 "The RDO library (QFSMAPI.QFSSession) for ${VIEW}-bit programs: $3"
  ${Else}
    ${If} $4 != ""
      StrCpy $5 "The RDO library (QFSMAPI.QFSSession) is registered for ${OTHER}-bit programs only, not for ${VIEW}-bit ones."
    ${Else}
      StrCpy $5 "The RDO library (QFSMAPI.QFSSession) is not registered for ${VIEW}-bit programs."
    ${EndIf}
    StrCpy $5 "$5 Until it is installed for ${VIEW}-bit Outlook, the Bellnest tab shows $\"Could not establish RDO Session. Please contact your Administrator.$\""
    StrCpy $RdoNote "$RdoNote$5$\r$\n$\r$\n"
  ${EndIf}
  DetailPrint "$5"
  StrCpy $RdoLog "$RdoLog$5$\r$\n"
!macroend

Section "Bellnest"
  StrCpy $Failed 0
  StrCpy $RdoNote ""
  StrCpy $RdoLog ""
  SetOutPath "$INSTDIR\x64"
  File "/oname=PPBellnest.dll" "${DLL64}"
  File "${HELP}"
  !ifdef ADDIN64
    File "/oname=${ADDIN_FILE}" "${ADDIN64}"
  !endif
  !ifdef DLL32
    SetOutPath "$INSTDIR\x86"
    File "/oname=PPBellnest.dll" "${DLL32}"
    File "${HELP}"
    !ifdef ADDIN32
      File "/oname=${ADDIN_FILE}" "${ADDIN32}"
    !endif
  !endif
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  !insertmacro FindRegsvr
  Call OutlookBitness
  DetailPrint "Outlook's bitness: $1 (empty: unknown, both are registered)"
  ${If} $1 != "x86"
    !insertmacro RegisterFolder $Regsvr64 x64 64
    ${If} $Regsvr64 != ""
      !insertmacro CheckRdo 64 32
    ${EndIf}
  ${EndIf}
  !ifdef DLL32
    ${If} $1 != "x64"
      !insertmacro RegisterFolder $Regsvr32 x86 32
      !insertmacro CheckRdo 32 64
    ${EndIf}
  !endif
  ; What silent installs leave for the administrator: Outlook's bitness and the RDO check.
  FileOpen $0 "$INSTDIR\install.log" w
  FileWrite $0 "Bellnest ${VERSION}$\r$\nOutlook's bitness: $1 (empty: unknown, both are registered)$\r$\n$RdoLog"
  FileClose $0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Uninstall.exe,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $2 $3
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ${If} $Failed = 1
    MessageBox MB_OK|MB_ICONSTOP "Bellnest was installed, but Windows refused to register it (see the details). Outlook will not show the Bellnest tab." /SD IDOK
    SetErrorLevel 1
  ${EndIf}
SectionEnd

Function un.onInit
  SetShellVarContext current
  StrCpy $RemoveData 0
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVEDATA" $1
  ${IfNot} ${Errors}
    StrCpy $RemoveData 1
  ${EndIf}
  !insertmacro WaitForOutlookClosed
FunctionEnd

Function un.DataPage
  !insertmacro MUI_HEADER_TEXT "Your settings" "Bellnest can keep your settings for a later installation."
  nsDialogs::Create 1018
  Pop $0
  ${NSD_CreateLabel} 0 0 100% 36u "Your reminder folders and options (per mail profile) and Bellnest's log file stay on this computer unless you remove them here."
  Pop $0
  ${NSD_CreateCheckbox} 0 44u 100% 12u "&Remove my Bellnest settings and log file"
  Pop $RemoveDataBox
  ${If} $RemoveData = 1
    ${NSD_Check} $RemoveDataBox
  ${EndIf}
  nsDialogs::Show
FunctionEnd

Function un.DataPageLeave
  ${NSD_GetState} $RemoveDataBox $RemoveData
  ${If} $RemoveData = ${BST_CHECKED}
    StrCpy $RemoveData 1
  ${Else}
    StrCpy $RemoveData 0
  ${EndIf}
FunctionEnd

; Unregisters the DLLs of one bitness folder; a bitness that was never registered, or whose
; regsvr32 cannot run, leaves nothing to remove.
!macro UnregisterFolder REGSVR FOLDER
  ${If} ${REGSVR} != ""
    !ifdef ADDIN_FILE
      ${If} ${FileExists} "$INSTDIR\${FOLDER}\${ADDIN_FILE}"
        !insertmacro Regsvr ${REGSVR} "/u" "$INSTDIR\${FOLDER}\${ADDIN_FILE}"
      ${EndIf}
    !endif
    ${If} ${FileExists} "$INSTDIR\${FOLDER}\PPBellnest.dll"
      !insertmacro Regsvr ${REGSVR} "/u" "$INSTDIR\${FOLDER}\PPBellnest.dll"
    ${EndIf}
  ${EndIf}
!macroend

Section "Uninstall"
  !insertmacro FindRegsvr
  !insertmacro UnregisterFolder $Regsvr64 x64
  !insertmacro UnregisterFolder $Regsvr32 x86
  ; The add-in removes its Outlook entry when it unregisters; this covers an add-in whose
  ; unregistration could not run.
  DeleteRegKey HKCU "${ADDINS_KEY}"

  !ifdef ADDIN_FILE
    Delete "$INSTDIR\x64\${ADDIN_FILE}"
    Delete "$INSTDIR\x86\${ADDIN_FILE}"
  !endif
  Delete "$INSTDIR\x64\PPBellnest.dll"
  Delete "$INSTDIR\x64\bellnest.chm"
  Delete "$INSTDIR\x86\PPBellnest.dll"
  Delete "$INSTDIR\x86\bellnest.chm"
  RMDir "$INSTDIR\x64"
  RMDir "$INSTDIR\x86"
  Delete "$INSTDIR\install.log"
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
  RMDir "$LOCALAPPDATA\Programs"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ${If} $RemoveData = 1
    DeleteRegKey HKCU "${DATA_KEY}"
    DeleteRegKey /ifempty HKCU "Software\Quillfen"
    Delete "$LOCALAPPDATA\Bellnest\Bellnest.Log"
    RMDir "$LOCALAPPDATA\Bellnest"
    DetailPrint "Your Bellnest settings and log file were removed."
  ${Else}
    DetailPrint "Your Bellnest settings and log file were kept."
  ${EndIf}
SectionEnd
