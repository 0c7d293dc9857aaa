# End-to-end scenarios in the test locales: the shipped setup.exe with its own
# payload under the ANSI code page each locale gives Wine (ja_JP: 932, a
# double-byte code page; en_US: 1252, which cannot spell the names typed),
# the folder typed into the box on the keyboard (so the program gets the
# characters themselves), and the results checked through the wide names:
# files, registry values (UTF-16 in the prefix's files) and shortcuts.
# Sourced by run-all after scenarios.sh.

# Runs a command (a robot run) with every Wine process in that locale.
in_locale() {
  local LC_ALL=$1
  export LC_ALL
  shift
  "$@"
}

# The robot's steps of a default install into a folder typed on the folder
# page; "ask" when the folder does not exist yet.
typed_install() {
  local folder=$1 question=$2
  cat <<EOF
$(to_folder_page)
keys 1001 '$folder'
press Next
EOF
  [ "$question" = ask ] && echo "expect-box $BOX_MAIN_FOLDER press Yes"
  cat <<EOF
expect-page $SHORTCUTS_PAGE
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
}

# The names in a Windows folder, sorted, compared with a list.
expect_entries() {
  local folder=$1 want=$2 got
  got=$(cd "$(unix_path "$folder")" 2>/dev/null && ls -1A | sort | tr '\n' ' ')
  got=${got% }
  [ "$got" = "$want" ] || problem "$folder holds '$got', expected '$want'"
}

# The uninstall command names unwise.exe in the folder: its program path, in
# whatever short form the system gave, is that file in long form.
expect_uninstall_names() {
  local folder=$1 command program
  saved
  command=$(regfile value "$E2E_UNINSTALL_KEY" UninstallString) ||
    { problem "no UninstallString"; return; }
  program=${command% \*\*\*}
  [ "$program" != "$command" ] || problem "UninstallString '$command' does not end in ' ***'"
  program=${program#\"}
  program=${program%\"}
  robot <<EOF
expect-long-path '$program' '$folder\\unwise.exe'
EOF
}

# What a default install into that folder leaves, checked through its wide
# name: every product file in it, the remembered folder and the uninstall
# command naming it, and the shortcuts pointing into it.
expect_install_in() {
  local folder=$1
  expect_product_files "$folder"
  expect_value "$E2E_PRODUCT_KEY" Folder "$folder"
  expect_type "$E2E_PRODUCT_KEY" Folder str
  expect_uninstall_names "$folder"
  expect_default_shortcuts "$folder"
}

# Japanese Windows (code page 932): an existing folder whose name ends in the
# trail byte 0x5C (表 is 0x95 0x5C), then a new folder path of such names;
# each level is made whole, with nothing cut beside it.
scenario japanese_folders
sc_japanese_folders() {
  mkdir -p "$(unix_path 'C:\Tools\表')"
  in_locale ja_JP.UTF-8 robot <<EOF
$(typed_install 'C:\Tools\表' existing)
EOF
  expect_install_in 'C:\Tools\表'
  expect_entries 'C:\Tools' '表'

  in_locale ja_JP.UTF-8 robot <<EOF
$(typed_install 'C:\ソフト\表\Quillbar' ask)
EOF
  expect_install_in 'C:\ソフト\表\Quillbar'
  expect_entries 'C:\ソフト' '表'
  expect_entries 'C:\ソフト\表' 'Quillbar'
}

# The user's shell folders, as a profile under another name sets them: both
# the "Shell Folders" that setup reads and the "User Shell Folders" the
# shell's own lookups take. Each folder is made.
#   set_user_folders NAME=PATH...
set_user_folders() {
  local pair name path key
  for pair in "$@"; do
    name=${pair%%=*}
    path=${pair#*=}
    mkdir -p "$(unix_path "$path")"
    for key in 'Shell Folders' 'User Shell Folders'; do
      in_locale en_US.UTF-8 e2e_wine "$SC_PREFIX" reg add \
        "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\$key" \
        /v "$name" /d "$path" /f >>"$SC_OUT/reg-add.log" 2>&1 ||
        problem "cannot set the shell folder $name"
    done
  done
}

DMITRY='C:\users\Дмитрий'

BOX_TOO_LONG='"Quillbar Setup" "The Main Folder name is too long.\rPlease choose a folder with a shorter path." buttons=OK'

# English Windows (code page 1252) for a user whose profile folders are named
# in Cyrillic, installing into a folder named in Greek and Japanese: neither
# script is in 1252. Every shortcut of a default install is made, and the
# default configuration folder under the profile is shown and made. First a
# folder of 93 characters whose UTF-8 form (273 bytes) does not fit: refused
# as too long, never cut.
scenario names_outside_the_code_page
sc_names_outside_the_code_page() {
  local folder='C:\Πρόγραμμα表\Quillbar' config="$DMITRY\\AppData\\Quillbar"
  local long='C:\'
  long+=$(printf '表%.0s' {1..90})
  local start="$DMITRY\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu"
  set_user_folders "Desktop=$DMITRY\\Desktop" "Start Menu=$start" "Programs=$start\\Programs" \
    "Startup=$start\\Programs\\Startup" "AppData=$DMITRY\\AppData"
  in_locale en_US.UTF-8 robot <<EOF
$(to_folder_page)
keys 1001 '$long'
press Next
expect-box $BOX_TOO_LONG press OK
keys 1001 '$folder'
check 1011 on
expect-text 1009 '$config'
press Next
expect-box $BOX_MAIN_FOLDER press Yes
expect-box $BOX_CONFIG_FOLDER press Yes
expect-page $SHORTCUTS_PAGE
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  expect_product_files "$folder"
  expect_value "$E2E_PRODUCT_KEY" Folder "$folder"
  expect_uninstall_names "$folder"
  expect_default_shortcuts "$folder" "$config" "$config\\qbarconf.qcf"
  expect_same_file "$config\\Qbarconf.qcf" "$PRODUCT/default.qcf"
  expect_entries 'C:\Πρόγραμμα表' 'Quillbar'
  [ -z "$(cd "$(unix_path 'C:\')" && ls -d 表* 2>/dev/null)" ] ||
    problem "a folder was made of the refused name, or of a part of it"
}
