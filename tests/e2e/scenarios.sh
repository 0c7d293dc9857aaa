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
