; The Windows installer: makensis -DVERSION=x.y.z -DSTAGE=dir -DOUTFILE=setup.exe
; STAGE holds what packaging/stage-windows.sh put there: TavrikQuenmark.vst3\,
; TavrikQuenmark.aaxplugin\, TavrikQuenmark.clap, quenmark.exe, CHANGELOG.md and licenses\.
;
; Command line, besides NSIS's own /S (silent) and /D=folder (the tool's folder):
;   /NOVST3 /NOAAX /NOCLAP /NOCLI   leave that component out
;   /PATH                   put the tool's folder on the system PATH
; An install over an earlier one (any version, any folder) first runs the earlier
; uninstaller silently, so one copy remains.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
; Installed files get the time of the install; the installer then holds no build-time
; dates, and two builds of one tree give the same bytes.
SetDateSave off
RequestExecutionLevel admin
ManifestDPIAware true

!ifndef VERSION
  !error "VERSION is not defined"
!endif
!ifndef STAGE
  !error "STAGE is not defined"
!endif
!ifndef OUTFILE
  !define OUTFILE "TavrikQuenmark-${VERSION}-win64-setup.exe"
!endif

!define PRODUCT "TavrikQuenmark"
!define PUBLISHER "Tavrik"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\TavrikQuenmark"
!define PRODUCT_KEY "Software\Tavrik\Quenmark"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "WordFunc.nsh"
!include "Sections.nsh"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Tavrik\Quenmark"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=1033 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Tavrik"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_SMALLDESC
!insertmacro MUI_PAGE_LICENSE "${STAGE}\licenses\LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_TEXT_TOP "The command-line tool quenmark.exe and the licences go into this folder. The plug-ins go where hosts look for them: the VST3 bundle into $COMMONFILES64\VST3, the AAX bundle into $COMMONFILES64\Avid\Audio\Plug-Ins."
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; --- install ---------------------------------------------------------------------------

Section "-Remove an earlier install"
  Call RemoveEarlierInstall
SectionEnd

Section "-Licences and uninstaller" SecCore
  SetOutPath "$INSTDIR\licenses"
  File /r "${STAGE}\licenses\*.*"
  SetOutPath "$INSTDIR"
  File "${STAGE}\CHANGELOG.md"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKLM "${PRODUCT_KEY}" "InstallDir" "$INSTDIR"
  WriteRegStr HKLM "${PRODUCT_KEY}" "Version" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "VST3 plug-in" SecVST3
  SetOutPath "$COMMONFILES64\VST3\TavrikQuenmark.vst3"
  File /r "${STAGE}\TavrikQuenmark.vst3\*.*"
  WriteRegDWORD HKLM "${PRODUCT_KEY}" "VST3" 1
SectionEnd

Section "AAX plug-in" SecAAX
  SetOutPath "$COMMONFILES64\Avid\Audio\Plug-Ins\TavrikQuenmark.aaxplugin"
  File /r "${STAGE}\TavrikQuenmark.aaxplugin\*.*"
  WriteRegDWORD HKLM "${PRODUCT_KEY}" "AAX" 1
SectionEnd

Section "CLAP plug-in" SecCLAP
  SetOutPath "$COMMONFILES64\CLAP"
  File "${STAGE}\TavrikQuenmark.clap"
  WriteRegDWORD HKLM "${PRODUCT_KEY}" "CLAP" 1
SectionEnd

Section "Command-line tool" SecCLI
  SetOutPath "$INSTDIR"
  File "${STAGE}\quenmark.exe"
SectionEnd

Section /o "Command-line tool on PATH" SecPath
  ; Reading a PATH longer than NSIS's strings would cut it: such a PATH is left alone
  ; rather than written back shortened.
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  StrLen $1 $0
  ${If} $1 >= ${NSIS_MAX_STRLEN}
  ${OrIf} $1 > 7000
    DetailPrint "The system PATH is too long to change safely; add $INSTDIR to it by hand."
  ${Else}
    ${WordFind} "$0" ";" "E/$INSTDIR" $2
    ${If} ${Errors}
      ${If} $0 == ""
        StrCpy $0 "$INSTDIR"
      ${Else}
        StrCpy $0 "$0;$INSTDIR"
      ${EndIf}
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0"
      WriteRegDWORD HKLM "${PRODUCT_KEY}" "OnPath" 1
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
    ${EndIf}
  ${EndIf}
SectionEnd

Section "-Size"
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

LangString DESC_VST3 ${LANG_ENGLISH} "TavrikQuenmark.vst3 into $COMMONFILES64\VST3, where every VST3 host looks."
LangString DESC_AAX ${LANG_ENGLISH} "TavrikQuenmark.aaxplugin into $COMMONFILES64\Avid\Audio\Plug-Ins."
LangString DESC_CLAP ${LANG_ENGLISH} "TavrikQuenmark.clap into $COMMONFILES64\CLAP, where CLAP hosts look."
LangString DESC_CLI ${LANG_ENGLISH} "quenmark.exe, which analyses and normalizes audio files through the plug-in."
LangString DESC_PATH ${LANG_ENGLISH} "Adds the tool's folder to the system PATH, so that quenmark runs from any prompt."
!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecVST3} $(DESC_VST3)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecAAX} $(DESC_AAX)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecCLAP} $(DESC_CLAP)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecCLI} $(DESC_CLI)
  !insertmacro MUI_DESCRIPTION_TEXT ${SecPath} $(DESC_PATH)
!insertmacro MUI_FUNCTION_DESCRIPTION_END

Function .onInit
  SetRegView 64
  ${GetParameters} $R0
  ClearErrors
  ${GetOptions} $R0 "/NOVST3" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecVST3}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOAAX" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecAAX}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOCLAP" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecCLAP}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/NOCLI" $R1
  ${IfNot} ${Errors}
    !insertmacro UnselectSection ${SecCLI}
  ${EndIf}
  ClearErrors
  ${GetOptions} $R0 "/PATH" $R1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${SecPath}
  ${EndIf}
  ; The folder of an earlier install is offered again (unless /D named one).
  ReadRegStr $R2 HKLM "${PRODUCT_KEY}" "InstallDir"
  ${If} $R2 != ""
  ${AndIf} $INSTDIR == "$PROGRAMFILES64\Tavrik\Quenmark"
    StrCpy $INSTDIR $R2
  ${EndIf}
FunctionEnd

; An earlier install is removed by its own uninstaller, silently and in place, before
; any file is copied (the first section calls this): whatever folder and components it
; used, one copy remains.
Function RemoveEarlierInstall
  ReadRegStr $R0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $R0 != ""
  ${AndIf} ${FileExists} "$R0\uninstall.exe"
    DetailPrint "Removing the earlier install in $R0"
    ClearErrors
    ExecWait '"$R0\uninstall.exe" /S _?=$R0' $R1
    ${If} ${Errors}
    ${OrIf} $R1 != 0
      DetailPrint "The earlier uninstaller failed ($R1); its files are overwritten."
    ${Else}
      Delete "$R0\uninstall.exe"
      RMDir "$R0"
      RMDir "$R0\.."
    ${EndIf}
  ${EndIf}
FunctionEnd

; --- uninstall -------------------------------------------------------------------------

Function un.onInit
  SetRegView 64
FunctionEnd

Section "Uninstall"
  ; Only what the installer put there: a file the user added to a shared folder stays.
  RMDir /r "$COMMONFILES64\VST3\TavrikQuenmark.vst3"
  RMDir /r "$COMMONFILES64\Avid\Audio\Plug-Ins\TavrikQuenmark.aaxplugin"
  Delete "$COMMONFILES64\CLAP\TavrikQuenmark.clap"
  RMDir "$COMMONFILES64\CLAP"
  Delete "$INSTDIR\quenmark.exe"
  RMDir /r "$INSTDIR\licenses"
  Delete "$INSTDIR\CHANGELOG.md"

  ReadRegDWORD $0 HKLM "${PRODUCT_KEY}" "OnPath"
  ${If} $0 == 1
    ReadRegStr $1 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $2 $1
    ${If} $2 < ${NSIS_MAX_STRLEN}
      ${un.WordReplace} "$1" ";$INSTDIR" "" "+" $1
      ${un.WordReplace} "$1" "$INSTDIR;" "" "+" $1
      ${If} $1 == "$INSTDIR"
        StrCpy $1 ""
      ${EndIf}
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$1"
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=500
    ${EndIf}
  ${EndIf}

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  DeleteRegKey HKLM "${PRODUCT_KEY}"
  DeleteRegKey /ifempty HKLM "Software\Tavrik"

  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The publisher's folder, when this product was its only one.
  ${GetParent} "$INSTDIR" $0
  RMDir "$0"
SectionEnd
