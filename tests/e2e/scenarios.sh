# The end-to-end scenarios. Each: the state before, what the person does (the
# robot's script: pages, boxes with their exact texts in order, buttons), and
# the full state after. Sourced by run-all after checks.sh.

# Texts of the message boxes, exactly as the user sees them (\r: a carriage
# return alone, as the robot's scenario files write it), and their buttons.
# Whether a box is topmost is not checked here: Wine 8's MessageBox does not
# apply MB_TOPMOST to the window (the robot logs what it sees); the Windows
# tests check each box's style through the seam.
BOX_SHUT_DOWN='"Quillbar Setup" "Please shut down  Quillbar and then Press OK.\rTo shutdown Quillbar, Ctrl-right click any bar and press quit.\rOr use Ctrl-alt-del, select Quillbar, and press end task." buttons=OK,Cancel'
BOX_WAIT_15='"Quillbar Setup" "To allow Quillbar to clear from memory,\rplease wait 15 seconds then press OK" buttons=OK'
BOX_OLD_TRAY='"Error" "Old version of Quillbar tray support running.\rShutdown qbartray.exe using Configure|remove tray support or Task Manager, uninstall tray support,  and reboot.\rSee readme.txt formore info" buttons=OK'
BOX_MAIN_FOLDER='"Quillbar Setup" "Main Folder does not exist.  Create it?" buttons=Yes,No'
BOX_CONFIG_FOLDER='"Quillbar Setup" "Configuration folder does not exist.  Create it?" buttons=Yes,No'
BOX_NO_PAYLOAD='"Quillbar Setup Error" "Cannot find qbar47.dat file in setup.exe folder" buttons=OK'
BOX_FOREIGN_PAYLOAD='"Quillbar Setup Error" "The qbar47.dat file in the setup.exe folder is damaged or does not belong to this setup." buttons=OK'
BOX_LOCKED='"Quillbar" "Quillbar installation not completed.\rQuillbar cannot install new version of qbar.dll because Windows has locked qbar.dll in memory.\rQuillbar has been removed from Startup group.\rPlease Reboot Windows so that installation can proceed.\r\rPress Yes to reboot now and run setup again.  No to reboot later and run setup manually." buttons=Yes,No'
BOX_START_NOW='"Quillbar Setup" "Successful installation.  Start Quillbar now?" buttons=Yes,No'
BOX_REMOVE='"Quillbar Setup" "Remove Quillbar?" buttons=OK,Cancel'
BOX_REMOVED='"Quillbar Setup" "Quillbar information removed.\rPlease use explorer to remove quillbar file folder." buttons=OK'

SETUP="'C:\\setup\\setup.exe'"
LICENCE_PAGE='"Quillbar Setup"'
FOLDER_PAGE='"Choose Folder for Quillbar"'
SHORTCUTS_PAGE='"Quillbar Shortcuts"'

# ---------------------------------------------------------------------------
# Start-up checks and the licence page.

scenario licence_cancel
sc_licence_cancel() {
  robot <<EOF
start $SETUP
expect-page $LICENCE_PAGE
check-licence-centred-22-rows
press Cancel
expect-exit 0
EOF
  expect_nothing_written
}

scenario running_product_cancel
sc_running_product_cancel() {
  robot <<EOF
spawn 'C:\\e2e\\stand_in.exe window QuillbarMain'
expect-window QuillbarMain
start $SETUP
expect-box $BOX_SHUT_DOWN press Cancel
expect-exit 0
expect-window QuillbarMain
close-window QuillbarMain
EOF
  expect_nothing_written
}

# The two boxes repeat while the product runs; once it has gone, OK goes on.
scenario running_product_shut_down
sc_running_product_shut_down() {
  robot <<EOF
spawn 'C:\\e2e\\stand_in.exe window QuillbarMain'
expect-window QuillbarMain
start $SETUP
expect-box $BOX_SHUT_DOWN press OK
expect-box $BOX_WAIT_15 press OK
expect-box $BOX_SHUT_DOWN press OK
expect-box $BOX_WAIT_15
close-window QuillbarMain
expect-box $BOX_WAIT_15 press OK
expect-page $LICENCE_PAGE
press Cancel
expect-exit 0
EOF
  expect_nothing_written
}

scenario old_tray
sc_old_tray() {
  robot <<EOF
spawn 'C:\\e2e\\stand_in.exe window QuillbarTray 0'
expect-window QuillbarTray
start $SETUP
expect-box $BOX_OLD_TRAY press OK
expect-exit 0
close-window QuillbarTray
EOF
  expect_nothing_written
}

# A tray of the current kind (answers 117) is left running and setup goes on.
scenario current_tray
sc_current_tray() {
  robot <<EOF
spawn 'C:\\e2e\\stand_in.exe window QuillbarTray 117'
expect-window QuillbarTray
start $SETUP
expect-page $LICENCE_PAGE
press Cancel
expect-exit 0
expect-window QuillbarTray
close-window QuillbarTray
EOF
  expect_nothing_written
}

# ---------------------------------------------------------------------------
# Whole installs. The extractor's own completion box is the self-extractor's,
# dismissed by setup itself: logged, not answered.

INSTALL_FOLDER='C:\Program Files\Quillbar'
PRODUCT="$BUILD/sample/product"

# The robot steps from the start to the folder page, checking the licence
# page on the way.
to_folder_page() {
  cat <<EOF
allow-box "WinZip Self-Extractor"
start $SETUP
expect-page $LICENCE_PAGE
check-licence-centred-22-rows
press Next
expect-page $FOLDER_PAGE
EOF
}

# The robot steps from the start to the shortcuts page of a default install
# into a folder that does not exist yet.
default_install_to_shortcuts() {
  cat <<EOF
$(to_folder_page)
expect-text 1001 "$INSTALL_FOLDER"
expect-checked 1011 off
expect-enabled 1009 off
press Next
expect-box $BOX_MAIN_FOLDER press Yes
expect-page $SHORTCUTS_PAGE
expect-checked 1003 off
expect-checked 1004 off
expect-checked 1005 on
expect-checked 1006 on
expect-checked 1008 on
EOF
}

# Every file of the sample product in the install folder, the plug-ins in
# "plugins", the new modules in place of the old ones.
expect_product_files() {
  local folder=$1 name
  for name in Quillbar.exe QBarConf.exe readme.txt Quillbar.hlp Quillbar.chm QBST.chm \
    Quillbar.icl default.qcf empty.qcf tiered.qcf showcase.qcf cascade.qcf demo.qcf unwise.exe; do
    expect_same_file "$folder\\$name" "$PRODUCT/$name"
  done
  for name in QBarClock.dll QBarCpu.dll QBarDisk.dll QBarMail.dll QBarMem.dll QBarNet.dll \
    QBarNotes.dll QBarPower.dll QBarRecent.dll QBarRun.dll QBarSearch.dll QBarTasks.dll \
    QBarVolume.dll QBarWeather.dll QBarClock.txt QBarMail.chm QBarNotes.txt QBarWeather.htm \
    PluginSrc.zip; do
    expect_same_file "$folder\\plugins\\$name" "$PRODUCT/$name"
    expect_no_file "$folder\\$name"
  done
  expect_same_file "$folder\\QBarctx.Dll" "$PRODUCT/QBarctx.DllNew"
  expect_same_file "$folder\\QBartray.Dll" "$PRODUCT/QBartray.DllNew"
  expect_same_file "$folder\\QBardesk.Dll" "$PRODUCT/QBardesk.DllNew"
  expect_same_file "$folder\\QBartray.exe" "$PRODUCT/QBartray.exenew"
  expect_same_file "$folder\\QBar.Dll" "$PRODUCT/QBar.DllNew"
  # Wine's own psapi.dll carries a version far above 0.4000: the private
  # copy is set aside.
  expect_same_file "$folder\\PSAPI.dllbak" "$PRODUCT/PSAPI.Dll"
  expect_no_file "$folder\\PSAPI.Dll"
}

# The short form of the install folder, as setup wrote it into the uninstall
# entry; checked to be a blank-free 8.3 path of the same folder name.
short_install_folder() {
  saved
  local command
  command=$(regfile value "$E2E_UNINSTALL_KEY" UninstallString) || return 1
  printf '%s\n' "${command%\\unwise.exe ***}"
}

expect_uninstall_entry() {
  local key=$E2E_UNINSTALL_KEY
  expect_value "$key" DisplayName 'Quillbar 4.7 (remove only)'
  expect_type "$key" UninstallString str
  local command
  command=$(regfile value "$key" UninstallString)
  [[ "$command" =~ ^C:(\\[A-Za-z0-9_~!-]{1,8}(\.[A-Za-z0-9]{1,3})?)+\\unwise\.exe\ \*\*\*$ ]] ||
    problem "UninstallString '$command' is not a short path to unwise.exe followed by ' ***'"
}

expect_file_types() {
  local short=$1
  local product="$short\\Quillbar.exe" icons="$short\\Quillbar.icl"
  expect_value 'HKCR\.Quillbar' @ 'Quillbar.Script'
  expect_value 'HKCR\Quillbar.Script\DefaultIcon' @ "$icons,4"
  expect_value 'HKCR\Quillbar.Script\shell\open\command' @ "$product *Script RunFile %1"
  expect_value 'HKCR\.QBarNote' @ 'Quillbar.Note'
  expect_value 'HKCR\Quillbar.Note\DefaultIcon' @ "$icons,2"
  expect_value 'HKCR\Quillbar.Note\shell\open\command' @ "$product *Note Open File \"%1\""
  expect_value 'HKCR\.QuillbarClip' @ 'Quillbar.Clip'
  expect_value 'HKCR\Quillbar.Clip\DefaultIcon' @ "$icons,8"
  expect_value 'HKCR\Quillbar.Clip\shell\open\command' @ "$product *Clip File \"%1\""
}

# The product's shortcuts with no configuration folder (no working directory,
# no arguments), in the places of the default choice.
expect_default_shortcuts() {
  local folder=$1 config=${2:-} argument=${3:-}
  local desktop programs startup startmenu
  desktop=$(shell_folder Desktop)
  programs=$(shell_folder Programs)
  startup=$(shell_folder Startup)
  startmenu=$(shell_folder 'Start Menu')
  expect_lnk_names "$desktop" 'QBarConf.lnk Quillbar.lnk'
  expect_lnk "$desktop\\Quillbar.lnk" Quillbar "$folder\\Quillbar.exe" "$config" "$argument"
  expect_lnk "$desktop\\QBarConf.lnk" 'Quillbar Configure' "$folder\\QBarConf.exe" "$config" "$argument"
  expect_lnk_names "$programs\\Quillbar" 'Configure.lnk HTML Help.lnk QBarHelp.lnk Quillbar.lnk Tutorial.lnk'
  expect_lnk "$programs\\Quillbar\\Quillbar.lnk" Quillbar "$folder\\Quillbar.exe" "$config" "$argument"
  expect_lnk "$programs\\Quillbar\\Configure.lnk" Configure "$folder\\QBarConf.exe" "$config" "$argument"
  expect_lnk "$programs\\Quillbar\\QBarHelp.lnk" QBarHelp "$folder\\Quillbar.hlp" '' ''
  expect_lnk "$programs\\Quillbar\\HTML Help.lnk" 'HTML Help' "$folder\\Quillbar.chm" '' ''
  expect_lnk "$programs\\Quillbar\\Tutorial.lnk" 'Scripting Tutorial' "$folder\\QBST.chm" '' ''
  expect_lnk_names "$startup" 'Quillbar.lnk'
  expect_lnk "$startup\\Quillbar.lnk" Quillbar "$folder\\Quillbar.exe" "$config" "$argument"
  expect_lnk_names "$programs" ''
  expect_lnk_names "$startmenu" ''
}

expect_boxes() {
  local want=$1 got
  got=$(boxes_seen "$SC_OUT"/robot-*.log | grep -v '^"WinZip Self-Extractor"')
  [ "$got" = "$want" ] || problem "boxes seen: $(printf '%s' "$got" | tr '\n' '|'), expected $(printf '%s' "$want" | tr '\n' '|')"
}

scenario default_install
sc_default_install() {
  robot <<EOF
$(default_install_to_shortcuts)
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
expect-no-window QuillbarMain
EOF
  expect_value "$E2E_PRODUCT_KEY" Folder "$INSTALL_FOLDER"
  expect_type "$E2E_PRODUCT_KEY" Folder str
  expect_uninstall_entry
  expect_file_types "$(short_install_folder)"
  expect_product_files "$INSTALL_FOLDER"
  expect_default_shortcuts "$INSTALL_FOLDER"
  expect_no_file "$(shell_folder AppData)\\Quillbar"
  expect_no_file 'C:\setup\qbar!ins.exe'
  expect_boxes "$(printf '%s\n' '"Quillbar Setup" "Main Folder does not exist.  Create it?"' \
    '"Quillbar Setup" "Successful installation.  Start Quillbar now?"')"
}

# An on-access scanner (antivirus, indexer, backup agent) watches the install
# folder and everything below it: each new or changed file there is held for
# 500 ms once its writer lets go, opened without FILE_SHARE_DELETE, so that
# nobody can rename or delete it meanwhile. Before: a fresh machine with the
# scanner running. The person makes a default install. After: the install is
# as complete and registered as without the scanner, no work folder is left,
# and the scanner's log shows that it held the files on their way in.
scenario install_beside_scanner
sc_install_beside_scanner() {
  cp "$BUILD/e2e/scanner.exe" "$(unix_path 'C:\e2e')/scanner.exe"
  robot <<EOF
spawn 'C:\\e2e\\scanner.exe "$INSTALL_FOLDER" 500 C:\\e2e\\scanner.log'
expect-window QbScanner
$(default_install_to_shortcuts)
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
close-window QbScanner
EOF
  expect_boxes "$(printf '%s\n' '"Quillbar Setup" "Main Folder does not exist.  Create it?"' \
    '"Quillbar Setup" "Successful installation.  Start Quillbar now?"')"
  expect_value "$E2E_PRODUCT_KEY" Folder "$INSTALL_FOLDER"
  expect_uninstall_entry
  expect_product_files "$INSTALL_FOLDER"
  expect_no_file "$INSTALL_FOLDER\\qbar-work~00"
  # It cannot pass without a scanner at work: that held at least as many
  # files as the product has. None of them in the work folder, whose files
  # the extractor keeps open, shared with nobody, until each is placed.
  local log="$SC_OUT/scanner.log" held work products
  if ! cp "$(unix_path 'C:\e2e\scanner.log')" "$log"; then
    problem "the scanner left no log"
    return
  fi
  held=$(grep -c -F "held $INSTALL_FOLDER\\" "$log")
  work=$(grep -c -F "held $INSTALL_FOLDER\\qbar-work~00\\" "$log")
  products=$(find "$PRODUCT" -maxdepth 1 -type f | wc -l)
  [ "$held" -ge "$products" ] ||
    problem "the scanner held $held files in $INSTALL_FOLDER, fewer than the product's $products"
  [ "$work" -eq 0 ] || problem "the scanner held $work files in $INSTALL_FOLDER\\qbar-work~00"
}

scenario every_shortcut_place
sc_every_shortcut_place() {
  robot <<EOF
$(default_install_to_shortcuts)
check 1003 on
check 1004 on
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  local startmenu programs folder=$INSTALL_FOLDER
  startmenu=$(shell_folder 'Start Menu')
  programs=$(shell_folder Programs)
  expect_lnk_names "$startmenu" 'QBarConf.lnk Quillbar.lnk'
  expect_lnk "$startmenu\\Quillbar.lnk" Quillbar "$folder\\Quillbar.exe" '' ''
  expect_lnk "$startmenu\\QBarConf.lnk" 'Quillbar Configure' "$folder\\QBarConf.exe" '' ''
  expect_lnk_names "$programs" 'QBarConf.lnk Quillbar.lnk'
  expect_lnk "$programs\\Quillbar.lnk" Quillbar "$folder\\Quillbar.exe" '' ''
  expect_lnk "$programs\\QBarConf.lnk" 'Quillbar Configure' "$folder\\QBarConf.exe" '' ''
  expect_lnk_names "$programs\\Quillbar" 'Configure.lnk HTML Help.lnk QBarHelp.lnk Quillbar.lnk Tutorial.lnk'
  expect_lnk_names "$(shell_folder Desktop)" 'QBarConf.lnk Quillbar.lnk'
  expect_lnk_names "$(shell_folder Startup)" 'Quillbar.lnk'
}

CONFIG_FOLDER='C:\Quillbar Config\Bars'

# A separate configuration folder with a blank in its path, created on the
# way; the person then starts Quillbar at once.
scenario config_folder_with_blank_and_start_now
sc_config_folder_with_blank_and_start_now() {
  robot <<EOF
$(to_folder_page)
check 1011 on
expect-enabled 1009 on
expect-text 1009 '$(shell_folder AppData)\\Quillbar'
type 1009 "$CONFIG_FOLDER"
press Next
expect-box $BOX_MAIN_FOLDER press Yes
expect-box $BOX_CONFIG_FOLDER press Yes
expect-page $SHORTCUTS_PAGE
press Finish
expect-box $BOX_START_NOW press Yes
expect-exit 0
expect-window QuillbarMain
close-window QuillbarMain
EOF
  local argument="$CONFIG_FOLDER\\qbarconf.qcf" name
  expect_default_shortcuts "$INSTALL_FOLDER" "$CONFIG_FOLDER" "$argument"
  for name in default.qcf empty.qcf tiered.qcf showcase.qcf cascade.qcf demo.qcf; do
    expect_same_file "$CONFIG_FOLDER\\$name" "$PRODUCT/$name"
  done
  expect_same_file "$CONFIG_FOLDER\\Qbarconf.qcf" "$PRODUCT/default.qcf"
  # Quillbar was started with the configuration file, its path unquoted.
  grep -q -F "window QuillbarMain" "$SC_LOG" || problem "Quillbar's window was not seen"
  grep -F "window QuillbarMain" "$SC_LOG" | grep -q -i -F "${argument//\\/\\\\}" ||
    problem "Quillbar's window does not name $argument: $(grep -F 'window QuillbarMain' "$SC_LOG")"
}

scenario start_now_default
sc_start_now_default() {
  robot <<EOF
$(default_install_to_shortcuts)
press Finish
expect-box $BOX_START_NOW press Yes
expect-exit 0
expect-window QuillbarMain
close-window QuillbarMain
EOF
}

# ---------------------------------------------------------------------------
# A setup folder anyone may have written to: setup.exe runs elevated from a
# download folder and starts the extractor copy from the same folder.

# DLLs that Windows loads by bare name: the theme and blending libraries when
# a window is first drawn, and the CryptoAPI provider that setup.exe's check
# of its payload uses.
PLANTED_DLLS='uxtheme msimg32 rsaenh'

# Runs the robot with Wine preferring the planted DLLs found beside a program
# to its own, as Windows searches: the program's folder first.
prefer_planted_dlls() {
  local dll
  for dll in $PLANTED_DLLS; do
    e2e_wine "$SC_PREFIX" reg add 'HKCU\Software\Wine\DllOverrides' \
      /v "$dll" /d native,builtin /f >/dev/null 2>&1
  done
  "$@"
}

# DLLs planted beside setup.exe, and so beside the extractor copy, under
# those names: neither setup.exe nor the extractor loads them during a whole
# install.
scenario planted_dlls_are_not_loaded
sc_planted_dlls_are_not_loaded() {
  local dll
  for dll in $PLANTED_DLLS; do
    cp "$BUILD/e2e/planted/$dll.dll" "$(unix_path 'C:\setup')/$dll.dll"
  done
  prefer_planted_dlls robot <<EOF
$(default_install_to_shortcuts)
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  expect_product_files "$INSTALL_FOLDER"
  for dll in $PLANTED_DLLS; do
    expect_no_file "C:\\setup\\$dll.dll.loaded"
  done
}

# A notepad.exe planted beside setup.exe and in the current folder: the
# read-me viewer starts the system's Notepad, never either of them.
scenario planted_notepad_is_not_started
sc_planted_notepad_is_not_started() {
  local folder
  mkdir -p "$(unix_path 'C:\downloads')"
  for folder in 'C:\setup' 'C:\downloads'; do
    cp "$BUILD/e2e/planted/notepad.exe" "$(unix_path "$folder")/notepad.exe"
  done
  robot <<EOF
cd 'C:\\downloads'
$(default_install_to_shortcuts)
click 1007
expect-window Notepad
close-window Notepad
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  for folder in 'C:\setup' 'C:\downloads'; do
    expect_no_file "$folder\\notepad.exe.ran"
  done
}

# A second install over the first keeps the user's main configuration file
# and puts fresh samples beside it.
scenario reinstall_keeps_user_configuration
sc_reinstall_keeps_user_configuration() {
  local install
  install=$(cat <<EOF
$(to_folder_page)
expect-text 1001 "$INSTALL_FOLDER"
check 1011 on
type 1009 "$CONFIG_FOLDER"
press Next
EOF
  )
  robot <<EOF
$install
expect-box $BOX_MAIN_FOLDER press Yes
expect-box $BOX_CONFIG_FOLDER press Yes
expect-page $SHORTCUTS_PAGE
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  saved
  printf 'my own bars\n' >"$(unix_path "$CONFIG_FOLDER\\Qbarconf.qcf")"
  printf 'edited sample\n' >"$(unix_path "$CONFIG_FOLDER\\demo.qcf")"
  printf 'old plug-in\n' >"$(unix_path "$INSTALL_FOLDER\\plugins\\QBarCpu.dll")"
  printf 'mine\n' >"$(unix_path "$INSTALL_FOLDER\\plugins\\MyPlugin.dll")"
  # Both folders exist now: no question on the second run.
  robot <<EOF
$install
expect-page $SHORTCUTS_PAGE
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  expect_file_text "$CONFIG_FOLDER\\Qbarconf.qcf" 'my own bars'
  expect_same_file "$CONFIG_FOLDER\\demo.qcf" "$PRODUCT/demo.qcf"
  expect_same_file "$INSTALL_FOLDER\\plugins\\QBarCpu.dll" "$PRODUCT/QBarCpu.dll"
  expect_file_text "$INSTALL_FOLDER\\plugins\\MyPlugin.dll" 'mine'
  expect_product_files "$INSTALL_FOLDER"
  expect_value "$E2E_PRODUCT_KEY" Folder "$INSTALL_FOLDER"
}

scenario cancel_on_folder_page
sc_cancel_on_folder_page() {
  robot <<EOF
start $SETUP
expect-page $LICENCE_PAGE
press Next
expect-page $FOLDER_PAGE
press Cancel
expect-exit 0
EOF
  expect_nothing_written
}

# Cancel after the payload was unpacked: the files stay, but nothing is
# registered, no shortcut is made and the extractor copy is deleted.
scenario cancel_on_shortcuts_page
sc_cancel_on_shortcuts_page() {
  robot <<EOF
$(default_install_to_shortcuts)
press Cancel
expect-exit 0
EOF
  expect_product_files "$INSTALL_FOLDER"
  expect_no_key "$E2E_PRODUCT_KEY"
  expect_no_key "$E2E_UNINSTALL_KEY"
  expect_no_key 'HKCR\.Quillbar'
  expect_no_key 'HKCR\Quillbar.Script'
  expect_lnk_names "$(shell_folder Desktop)" ''
  expect_lnk_names "$(shell_folder Startup)" ''
  expect_no_file "$(shell_folder Programs)\\Quillbar"
  expect_no_file 'C:\setup\qbar!ins.exe'
}

scenario payload_missing
sc_payload_missing() {
  rm -f "$SC_PREFIX/drive_c/setup/qbar47.dat"
  robot <<EOF
start $SETUP
expect-page $LICENCE_PAGE
press Next
expect-page $FOLDER_PAGE
press Next
expect-box $BOX_MAIN_FOLDER press Yes
expect-box $BOX_NO_PAYLOAD press OK
expect-exit 0
EOF
  expect_folder "$INSTALL_FOLDER"
  expect_no_key "$E2E_PRODUCT_KEY"
  expect_no_key "$E2E_UNINSTALL_KEY"
  expect_lnk_names "$(shell_folder Desktop)" ''
  expect_no_file 'C:\setup\qbar!ins.exe'
  expect_boxes "$(printf '%s\n' '"Quillbar Setup" "Main Folder does not exist.  Create it?"' \
    '"Quillbar Setup Error" "Cannot find qbar47.dat file in setup.exe folder"')"
}

# ---------------------------------------------------------------------------
# setup.exe runs only the payload it was released with, from a copy that it
# makes as a new file and holds still until the extractor has read it.

# Next to the main folder question, with Yes, to the box that refuses the
# payload; nothing of the product is installed or registered.
refused_payload() {
  robot <<EOF
start $SETUP
expect-page $LICENCE_PAGE
press Next
expect-page $FOLDER_PAGE
press Next
expect-box $BOX_MAIN_FOLDER press Yes
expect-box $BOX_FOREIGN_PAYLOAD press OK
expect-exit 0
EOF
  expect_no_file "$INSTALL_FOLDER\\Quillbar.exe"
  expect_no_key "$E2E_PRODUCT_KEY"
  expect_no_key "$E2E_UNINSTALL_KEY"
  expect_lnk_names "$(shell_folder Desktop)" ''
  expect_no_file 'C:\setup\qbar!ins.exe'
  expect_boxes "$(printf '%s\n' '"Quillbar Setup" "Main Folder does not exist.  Create it?"' \
    '"Quillbar Setup Error" "The qbar47.dat file in the setup.exe folder is damaged or does not belong to this setup."')"
}

# Another program saved as qbar47.dat is never started: run, it would leave
# "qbar!ins.exe.ran" beside its copy.
scenario foreign_program_as_payload
sc_foreign_program_as_payload() {
  cp "$BUILD/e2e/planted/notepad.exe" "$(unix_path 'C:\setup')/qbar47.dat"
  refused_payload
  expect_no_file 'C:\setup\qbar!ins.exe.ran'
}

# The shipped payload with one byte of its archive changed.
scenario payload_changed_by_one_byte
sc_payload_changed_by_one_byte() {
  python3 - "$(unix_path 'C:\setup')/qbar47.dat" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
data[len(data) * 2 // 3] ^= 0x01
open(path, "wb").write(data)
PY
  refused_payload
}

# A qbar!ins.exe left beside setup.exe as a hard link to another file: that
# file keeps its bytes, and the install completes.
scenario extractor_copy_linked_to_another_file
sc_extractor_copy_linked_to_another_file() {
  printf 'not yours to write\n' >"$(unix_path 'C:\precious.txt')"
  ln "$(unix_path 'C:\precious.txt')" "$(unix_path 'C:\setup')/qbar!ins.exe"
  robot <<EOF
$(default_install_to_shortcuts)
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  expect_file_text 'C:\precious.txt' 'not yours to write'
  expect_product_files "$INSTALL_FOLDER"
  expect_value "$E2E_PRODUCT_KEY" Folder "$INSTALL_FOLDER"
  expect_no_file 'C:\setup\qbar!ins.exe'
}

# The question has no owner, so the sheet's Cancel can be pressed while it is
# up: the wizard ends, and the Yes given afterwards installs nothing.
scenario cancel_while_main_folder_question_is_up
sc_cancel_while_main_folder_question_is_up() {
  robot <<EOF
start $SETUP
expect-page $LICENCE_PAGE
press Next
expect-page $FOLDER_PAGE
press Next
expect-box $BOX_MAIN_FOLDER
press Cancel
expect-box $BOX_MAIN_FOLDER press Yes
expect-exit 0
EOF
  expect_nothing_written
}

# An old, unversioned QBar.Dll held open by another process, as a loaded
# module is: the Startup shortcuts go, the person answers No, setup ends.
scenario locked_main_module
sc_locked_main_module() {
  local folder startup
  folder=$(unix_path "$INSTALL_FOLDER")
  startup=$(shell_folder Startup)
  mkdir -p "$folder" "$(unix_path "$startup")"
  printf 'old module\n' >"$folder/QBar.Dll"
  printf 'old link\n' >"$(unix_path "$startup\\Quillbar.lnk")"
  printf 'old link\n' >"$(unix_path "$startup\\QBarConf.lnk")"
  printf 'not ours\n' >"$(unix_path "$startup\\Other.lnk")"
  robot <<EOF
allow-box "WinZip Self-Extractor"
spawn 'C:\\e2e\\stand_in.exe hold "$INSTALL_FOLDER\\QBar.Dll"'
expect-window QbHoldFile
start $SETUP
expect-page $LICENCE_PAGE
press Next
expect-page $FOLDER_PAGE
press Next
expect-box $BOX_LOCKED press No
expect-exit 0
close-window QbHoldFile
EOF
  expect_lnk_names "$startup" 'Other.lnk'
  expect_file_text "$INSTALL_FOLDER\\QBar.Dll" 'old module'
  expect_same_file "$INSTALL_FOLDER\\QBar.DllNew" "$PRODUCT/QBar.DllNew"
  expect_no_key "$E2E_PRODUCT_KEY"
  expect_no_key "$E2E_UNINSTALL_KEY"
  expect_lnk_names "$(shell_folder Desktop)" ''
  expect_no_file 'C:\setup\qbar!ins.exe'
}

# ---------------------------------------------------------------------------
# Removal, through the command the uninstall entry holds.

install_then_remove() {
  robot <<EOF
$(default_install_to_shortcuts)
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  [ -n "${1:-}" ] && printf 'my notes\n' >"$(unix_path "$(shell_folder Programs)\\Quillbar\\$1")"
  robot <<EOF
spawn 'C:\\e2e\\stand_in.exe window QuillbarTray 117'
expect-window QuillbarTray
start-reg HKLM "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\WinQuillbar" "UninstallString"
expect-box $BOX_REMOVE press OK
expect-box $BOX_REMOVED press OK
expect-exit 0
expect-no-window QuillbarTray
EOF
  expect_no_key "$E2E_UNINSTALL_KEY"
  local key
  for key in "${E2E_FILE_TYPE_KEYS[@]}"; do
    expect_no_key "$key"
  done
  # What removal leaves: the remembered folder and every program file.
  expect_value "$E2E_PRODUCT_KEY" Folder "$INSTALL_FOLDER"
  expect_product_files "$INSTALL_FOLDER"
  expect_lnk_names "$(shell_folder Desktop)" ''
  expect_lnk_names "$(shell_folder Startup)" ''
  expect_lnk_names "$(shell_folder 'Start Menu')" ''
  expect_lnk_names "$(shell_folder Programs)" ''
}

scenario removal_after_install
sc_removal_after_install() {
  install_then_remove
  expect_no_file "$(shell_folder Programs)\\Quillbar"
}

scenario removal_keeps_foreign_file
sc_removal_keeps_foreign_file() {
  install_then_remove Notes.txt
  expect_folder "$(shell_folder Programs)\\Quillbar"
  expect_file_text "$(shell_folder Programs)\\Quillbar\\Notes.txt" 'my notes'
  expect_lnk_names "$(shell_folder Programs)\\Quillbar" ''
}

# Cancel at the removal's confirmation changes nothing.
scenario removal_cancelled
sc_removal_cancelled() {
  robot <<EOF
start 'C:\\setup\\setup.exe' 'C:\\somewhere\\UNWISE.EXE ***'
expect-box $BOX_REMOVE press Cancel
expect-exit 0
EOF
  expect_nothing_written
}
