; QuillpadSetup.exe: installs the control panel, its help file and storage API, and, as
; a part the user may leave out, the demo pen manager. Built by CMake with makensis:
; VERSION (x.y.z.w), BIN (the build's bin folder), SRC (the source tree), OUTFILE, and
; for a test build PEN_OUTBOX, another file shipped as PenOutbox.dll.
Unicode true
Target amd64-unicode
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Sections.nsh

!define PRODUCT "Panel de control del lápiz"
!define PUBLISHER "Velar"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quillpad"
!define SUITE_KEY "Software\Velar\2.0"
!define INSTALL_KEY "${SUITE_KEY}\Install"
!define USER_KEY "${SUITE_KEY}\Quillpad"
; Held by a running pen manager stand-in.
!define PEN_MANAGER_MUTEX "Local\QuillpadPenManagerStandIn"
!ifndef PEN_OUTBOX
  !define PEN_OUTBOX "${BIN}\PenOutbox.dll"
!endif

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Velar\Quillpad"
; An upgrade goes where the suite says the panel lives.
InstallDirRegKey HKLM "${INSTALL_KEY}" "ApplicationFolder"
BrandingText "${PUBLISHER} Quillpad ${VERSION}"

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=3082 "ProductName" "Quillpad"
VIAddVersionKey /LANG=3082 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=3082 "FileDescription" "Instalación de ${PRODUCT}"
VIAddVersionKey /LANG=3082 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=3082 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=3082 "LegalCopyright" "Copyright © 2003-2026 Velar. Reservados todos los derechos."

!define MUI_ICON "${SRC}\src\res\Quillpad.ico"
!define MUI_UNICON "${SRC}\src\res\Quillpad.ico"
!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\Quillpad.exe"
!define MUI_FINISHPAGE_NOREBOOTSUPPORT
!define MUI_FINISHPAGE_TITLE_3LINES

!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "Spanish"

; The outermost folder this installation made ("" when $INSTDIR was there), so that a
; refused or failed installation leaves no empty folders behind.
Var NewFolder

Function FindNewFolder
  StrCpy $NewFolder ""
  StrCpy $1 "$INSTDIR"
  ${Do}
    ${If} $1 == ""
    ${OrIf} ${FileExists} "$1\*.*"
      Return
    ${EndIf}
    StrCpy $NewFolder "$1"
    ${GetParent} "$1" $1
  ${Loop}
FunctionEnd

; Removes $INSTDIR and its parents up to $NewFolder, each only when empty: what the
; user put there stays. Never climbs above $NewFolder, however the paths are spelt.
!macro RemoveNewFolders UN
Function ${UN}RemoveNewFolders
  StrLen $2 $NewFolder
  StrCpy $1 "$INSTDIR"
  ${Do}
    StrLen $3 $1
    ${If} $2 = 0
    ${OrIf} $3 < $2
      Return
    ${EndIf}
    RMDir "$1"
    ${If} $1 == $NewFolder
      Return
    ${EndIf}
    ${GetParent} "$1" $1
  ${Loop}
FunctionEnd
!macroend
!insertmacro RemoveNewFolders ""
!insertmacro RemoveNewFolders "un."

; Asks a running Quillpad to close through its main window, as closing it from the
; desktop would (it ends its dialogs first), and waits for the process to end. Never
; killed: when it stays, the user decides, and a silent run gives up.
!macro CloseQuillpad UN
Function ${UN}CloseQuillpad
  ${Do}
    FindWindow $0 "QuillpadFrame"
    ${If} $0 = 0
      Return
    ${EndIf}
    DetailPrint "Cerrando Quillpad..."
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1) i'
    System::Call 'kernel32::OpenProcess(i 0x00100000, i 0, i r1) p .r2'
    System::Call 'user32::PostMessageW(p r0, i ${WM_CLOSE}, p 0, p 0) i'
    System::Call 'kernel32::WaitForSingleObject(p r2, i 20000) i .r3'
    System::Call 'kernel32::CloseHandle(p r2) i'
    ${If} $3 <> 0
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Quillpad sigue abierto. Ciérrelo y pulse Reintentar." /SD IDCANCEL IDRETRY +3
      SetErrorLevel 4
      Abort "Quillpad sigue abierto."
    ${EndIf}
  ${Loop}
FunctionEnd
!macroend
!insertmacro CloseQuillpad ""
!insertmacro CloseQuillpad "un."

; The demo pen manager runs until told to quit; its files can't be replaced meanwhile.
!macro StopPenManager UN
Function ${UN}StopPenManager
  System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${PEN_MANAGER_MUTEX}") p .r0'
  ${If} $0 = 0
  ${OrIfNot} ${FileExists} "$INSTDIR\penctl.exe"
    System::Call 'kernel32::CloseHandle(p r0) i'
    Return
  ${EndIf}
  DetailPrint "Cerrando el administrador de lápices..."
  ExecWait '"$INSTDIR\penctl.exe" quit'
  System::Call 'kernel32::WaitForSingleObject(p r0, i 10000) i'
  System::Call 'kernel32::CloseHandle(p r0) i'
  ; The mutex is abandoned when the process ends; give it the moment to go.
  ${For} $1 1 50
    System::Call 'kernel32::OpenMutexW(i 0x00100000, i 0, w "${PEN_MANAGER_MUTEX}") p .r0'
    ${If} $0 = 0
      Return
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r0) i'
    Sleep 100
  ${Next}
FunctionEnd
!macroend
!insertmacro StopPenManager ""
!insertmacro StopPenManager "un."

; The files an installation puts in its folder, each given to the macro named.
!macro ForEachInstalledFile MACRO
  !insertmacro ${MACRO} "Quillpad.exe"
  !insertmacro ${MACRO} "Inkwell.chm"
  !insertmacro ${MACRO} "PenStorage.dll"
  !insertmacro ${MACRO} "PenManager.exe"
  !insertmacro ${MACRO} "PenOutbox.dll"
  !insertmacro ${MACRO} "penctl.exe"
  !insertmacro ${MACRO} "Uninstall.exe"
!macroend
!macro DeleteInstalledFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; Unregisters the servers in $INSTDIR through their own entry points and deletes the
; installation's files. The uninstaller and a failed installation (rolling back) share it.
!macro RemoveFiles UN
Function ${UN}RemoveFiles
  ; Out of the folder: the current one can't be removed.
  SetOutPath "$TEMP"
  ${If} ${FileExists} "$INSTDIR\PenManager.exe"
    ExecWait '"$INSTDIR\PenManager.exe" /unregserver'
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\PenOutbox.dll"
    UnRegDLL "$INSTDIR\PenOutbox.dll"
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\PenStorage.dll"
    UnRegDLL "$INSTDIR\PenStorage.dll"
  ${EndIf}
  !insertmacro ForEachInstalledFile DeleteInstalledFile
FunctionEnd
!macroend
!insertmacro RemoveFiles ""
!insertmacro RemoveFiles "un."

; Registers a DLL in $INSTDIR, when it is there and nothing failed before; $R0 names a failure.
!macro RegisterDll NAME
  ${If} $R0 == ""
  ${AndIf} ${FileExists} "$INSTDIR\${NAME}"
    ClearErrors
    RegDLL "$INSTDIR\${NAME}"
    ${If} ${Errors}
      StrCpy $R0 "No se ha podido registrar ${NAME}."
    ${EndIf}
  ${EndIf}
!macroend

; Registers the servers in $INSTDIR through their own entry points, the demo pen manager's
; only when it is there. $R0: what failed, or "".
Function RegisterServers
  StrCpy $R0 ""
  !insertmacro RegisterDll "PenStorage.dll"
  ${If} $R0 == ""
  ${AndIf} ${FileExists} "$INSTDIR\PenManager.exe"
    ClearErrors
    ExecWait '"$INSTDIR\PenManager.exe" /regserver' $0
    ${If} ${Errors}
    ${OrIf} $0 <> 0
      StrCpy $R0 "No se ha podido registrar PenManager.exe."
    ${EndIf}
  ${EndIf}
  !insertmacro RegisterDll "PenOutbox.dll"
FunctionEnd

; An upgrade keeps a copy of the installed files until it has succeeded ($PLUGINSDIR goes
; when the installer ends), so that a failure can put the previous version back.
!define PREVIOUS "$PLUGINSDIR\previous"
Var Upgrade

!macro BackUpInstalledFile NAME
  ${If} ${FileExists} "$INSTDIR\${NAME}"
    CopyFiles /SILENT "$INSTDIR\${NAME}" "${PREVIOUS}"
    StrCpy $Upgrade 1
  ${EndIf}
!macroend

; $R0: what failed. Nothing outside the folder is written before every server has
; registered, so undoing takes this run's files and registrations out and, on an upgrade,
; puts the previous ones back. Ends with an error code.
Function Fail
  DetailPrint "$R0"
  Call RemoveFiles
  ${If} $Upgrade == ""
    Call RemoveNewFolders
    MessageBox MB_OK|MB_ICONSTOP "$R0$\r$\nNo se ha instalado nada." /SD IDOK
  ${Else}
    Push $R0
    CopyFiles /SILENT "${PREVIOUS}\*.*" "$INSTDIR"
    Call RegisterServers
    Pop $R0
    MessageBox MB_OK|MB_ICONSTOP "$R0$\r$\nLa actualización ha fallado. Se ha conservado la versión anterior." /SD IDOK
  ${EndIf}
  SetErrorLevel 3
  Abort "$R0"
FunctionEnd

Section "-Prepare"
  Call CloseQuillpad
  Call StopPenManager
  ; A folder we can't write is refused before anything is touched.
  ; Given a folder it can't use, a silent run would take the default one instead: refuse
  ; that. ($CMDLINE has lost its /D= by now.)
  StrCpy $R1 "$INSTDIR"
  ${If} ${Silent}
    System::Call 'kernel32::GetCommandLineW() t .r0'
    ${GetOptions} "$0" "/D=" $R1
    ${If} ${Errors}
      StrCpy $R1 "$INSTDIR"
    ${EndIf}
  ${EndIf}
  Call FindNewFolder
  ClearErrors
  ${If} $R1 == "$INSTDIR"
    CreateDirectory "$INSTDIR"
    FileOpen $0 "$INSTDIR\.quillpad-setup" w
  ${Else}
    SetErrors
  ${EndIf}
  ${If} ${Errors}
    Call RemoveNewFolders
    MessageBox MB_OK|MB_ICONSTOP "No se puede escribir en la carpeta $R1.$\r$\nNo se ha instalado nada." /SD IDOK
    SetErrorLevel 2
    Abort "No se puede escribir en la carpeta $R1."
  ${EndIf}
  FileClose $0
  Delete "$INSTDIR\.quillpad-setup"
  InitPluginsDir
  CreateDirectory "${PREVIOUS}"
  ClearErrors
  !insertmacro ForEachInstalledFile BackUpInstalledFile
  ${If} ${Errors}
    MessageBox MB_OK|MB_ICONSTOP "No se ha podido guardar una copia de la versión instalada.$\r$\nNo se ha instalado nada." /SD IDOK
    SetErrorLevel 2
    Abort "No se ha podido guardar una copia de la versión instalada."
  ${EndIf}
SectionEnd

Section "${PRODUCT}" SecPanel
  SectionIn RO
  SetOutPath "$INSTDIR"
  ClearErrors
  File "${BIN}\Quillpad.exe"
  File "${BIN}\Inkwell.chm"
  File "${BIN}\PenStorage.dll"
  ${If} ${Errors}
    StrCpy $R0 "No se han podido copiar los archivos en $INSTDIR."
    Call Fail
  ${EndIf}
SectionEnd

Section "Administrador de lápiz de demostración" SecDemo
  SetOutPath "$INSTDIR"
  ClearErrors
  File "${BIN}\PenManager.exe"
  File "/oname=PenOutbox.dll" "${PEN_OUTBOX}"
  File "${BIN}\penctl.exe"
  ${If} ${Errors}
    StrCpy $R0 "No se han podido copiar los archivos en $INSTDIR."
    Call Fail
  ${EndIf}
SectionEnd

Section "-Register"
  ; An upgrade that leaves the demo pen manager out takes the older copy away.
  ${IfNot} ${SectionIsSelected} ${SecDemo}
  ${AndIf} ${FileExists} "$INSTDIR\PenManager.exe"
    ExecWait '"$INSTDIR\PenManager.exe" /unregserver'
    UnRegDLL "$INSTDIR\PenOutbox.dll"
    Delete "$INSTDIR\PenManager.exe"
    Delete "$INSTDIR\PenOutbox.dll"
    Delete "$INSTDIR\penctl.exe"
  ${EndIf}
  ; The servers register once every file is in place, before anything outside the folder
  ; is written: a failure then has only the folder and the servers to undo.
  Call RegisterServers
  ${If} $R0 != ""
    Call Fail
  ${EndIf}
  ; Where the suite lives, for the panel's About page.
  WriteRegStr HKLM "${INSTALL_KEY}" "ApplicationFolder" "$INSTDIR"
  WriteRegStr HKLM "${INSTALL_KEY}" "CommonFolder" "$INSTDIR"
  SetShellVarContext all
  CreateShortcut "${SHORTCUT}" "$INSTDIR\Quillpad.exe"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Quillpad.exe"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
  ; The folders this installation made go with the uninstaller; an upgrade keeps what
  ; the first installation noted.
  ${If} $NewFolder != ""
    WriteRegStr HKLM "${UNINSTALL_KEY}" "CreatedFolder" "$NewFolder"
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPanel} "El panel de control, su ayuda y el almacenamiento de los datos del lápiz."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDemo} "Un administrador de lápices con un lápiz de demostración, para probar el panel sin lápiz."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Section "-un.Remove"
  Call un.CloseQuillpad
  Call un.StopPenManager
  ReadRegStr $NewFolder HKLM "${UNINSTALL_KEY}" "CreatedFolder"
  Call un.RemoveFiles
  RMDir "$INSTDIR"
  SetShellVarContext all
  Delete "${SHORTCUT}"
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegValue HKLM "${INSTALL_KEY}" "ApplicationFolder"
  DeleteRegValue HKLM "${INSTALL_KEY}" "CommonFolder"
  DeleteRegKey /ifempty HKLM "${INSTALL_KEY}"
  Call un.RemoveNewFolders
SectionEnd

; The user's own settings stay unless the user asks otherwise.
Section /o "un.Configuración personal de Quillpad" SecUserSettings
  DeleteRegKey HKCU "${USER_KEY}"
SectionEnd
