; The Windows installer: the program, qinghe-split, Qt's DLLs, plugins and Chinese
; translation into Program Files, a Start-menu entry and a desktop shortcut, the
; installation folder on the system PATH (so that a console finds qinghe-split) and an
; uninstaller registered with Windows. Made by scripts/windows:
;   makensis -DVERSION=1.2 -DSTAGE=folder -DFILES=uninstall-list.nsh -DOUTFILE=setup.exe -DSIZE_KB=n
; FILES holds one Delete line per installed file and one RMDir per folder, deepest first:
; the uninstaller removes what was installed and nothing else, whatever folder was chosen.

Unicode true
Target amd64-unicode
ManifestDPIAware true
RequestExecutionLevel admin
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include StrFunc.nsh
!include WinMessages.nsh

!define PRODUCT "青禾图片分割器"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\QingheSplitter"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"

${StrStr}
${UnStrRep}

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\Qinghe Splitter"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=2052 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=2052 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=2052 "FileDescription" "${PRODUCT} 安装程序"
VIAddVersionKey /LANG=2052 "CompanyName" "Qinghe"
VIAddVersionKey /LANG=2052 "LegalCopyright" "Qinghe"

!define MUI_ICON "${STAGE}/qinghe-splitter.ico"
!define MUI_UNICON "${STAGE}/qinghe-splitter.ico"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\qinghe-splitter.exe"
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

Section "Install"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}/*"
    WriteUninstaller "$INSTDIR\uninstall.exe"

    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk" "$INSTDIR\qinghe-splitter.exe" "" \
        "$INSTDIR\qinghe-splitter.ico" 0
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk" "$INSTDIR\uninstall.exe"
    CreateShortcut "$DESKTOP\${PRODUCT}.lnk" "$INSTDIR\qinghe-splitter.exe" "" "$INSTDIR\qinghe-splitter.ico" 0

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Qinghe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\qinghe-splitter.ico"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" ${SIZE_KB}

    ; The folder joins the system PATH once. A PATH this installer could not hold whole is
    ; left as it is: writing back a cut copy would lose the user's other entries.
    ClearErrors
    ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
    StrLen $1 "$0;$INSTDIR"
    ${StrStr} $2 ";$0;" ";$INSTDIR;"
    ${If} $2 != ""
        DetailPrint "PATH 中已有 $INSTDIR"
    ${ElseIf} $1 >= ${NSIS_MAX_STRLEN}
        DetailPrint "PATH 太长，未加入 $INSTDIR"
    ${ElseIf} $0 == ""
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$INSTDIR"
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
    ${Else}
        WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" "$0;$INSTDIR"
        WriteRegDWORD HKLM "${UNINSTALL_KEY}" "AddedToPath" 1
    ${EndIf}
    SendMessage ${HWND_BROADCAST} ${WM_WININICHANGE} 0 "STR:Environment" /TIMEOUT=2000
SectionEnd

Section "Uninstall"
    SetShellVarContext all
    ReadRegDWORD $3 HKLM "${UNINSTALL_KEY}" "AddedToPath"
    ${If} $3 == 1
        ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
        StrLen $1 $0
        ; Only a PATH read whole is written back.
        ${If} $1 < ${NSIS_MAX_STRLEN}
            ${UnStrRep} $2 ";$0;" ";$INSTDIR;" ";"
            ${UnStrRep} $2 $2 ";;" ";"
            StrCpy $4 $2 1
            ${If} $4 == ";"
                StrCpy $2 $2 "" 1
            ${EndIf}
            StrCpy $4 $2 1 -1
            ${If} $4 == ";"
                StrCpy $2 $2 -1
            ${EndIf}
            WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $2
            SendMessage ${HWND_BROADCAST} ${WM_WININICHANGE} 0 "STR:Environment" /TIMEOUT=2000
        ${EndIf}
    ${EndIf}

    Delete "$DESKTOP\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\${PRODUCT}.lnk"
    Delete "$SMPROGRAMS\${PRODUCT}\卸载${PRODUCT}.lnk"
    RMDir "$SMPROGRAMS\${PRODUCT}"

    !include "${FILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
