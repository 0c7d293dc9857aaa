# Scenarios of where setup is started and what runs beside it: a setup folder
# that cannot be written (a read-only share, a disc, a mounted image), and a
# second setup started while one runs. Sourced by run-all after scenarios.sh.

BOX_ALREADY_RUNNING='"Quillbar Setup" "Quillbar Setup is already running." buttons=OK'

# The user's temporary folder in the scenario's prefix, as a Unix path
# (Wine 8 makes it C:\users\<user>\Temp).
user_temp_folder() {
  local folder
  for folder in "$SC_PREFIX"/drive_c/users/*/Temp "$SC_PREFIX"/drive_c/users/*/AppData/Local/Temp; do
    case "$folder" in */users/Public/*) continue ;; esac
    [ -d "$folder" ] || continue
    printf '%s\n' "$folder"
    return 0
  done
  return 1
}

# Before: setup.exe and qbar47.dat in a folder that refuses every write. The
# person makes a default install. After: the install is complete, nothing was
# written beside setup.exe, and the extractor's copy and its folder are gone
# from the temporary folder.
scenario install_from_read_only_folder
sc_install_from_read_only_folder() {
  local setup temp before after
  setup=$(unix_path 'C:\setup')
  temp=$(user_temp_folder) || { problem "no temporary folder in the prefix"; return; }
  before=$(cd "$temp" && find . | sort)
  if ! mount --bind "$setup" "$setup" || ! mount -o remount,bind,ro "$setup"; then
    mountpoint -q "$setup" && umount "$setup"
    problem "cannot make $setup read-only (a bind mount needs root)"
    return
  fi
  if touch "$setup/written" 2>/dev/null; then problem "$setup is still writable"; fi
  robot < <(e2e_default_install_script)
  umount "$setup"
  expect_product_files "$INSTALL_FOLDER"
  expect_value "$E2E_PRODUCT_KEY" Folder "$INSTALL_FOLDER"
  after=$(ls "$setup" | tr '\n' ' ')
  [ "$after" = "qbar47.dat setup.exe " ] || problem "the setup folder holds: $after"
  after=$(cd "$temp" && find . | sort)
  [ "$after" = "$before" ] ||
    problem "left in the temporary folder: $(comm -13 <(echo "$before") <(echo "$after") | tr '\n' ' ')"
}

# Before: a setup waits on its folder page. The person starts setup.exe once
# more: the second shows that one is already running and ends, changing
# nothing. The first then installs as ever.
scenario second_setup_while_one_runs
sc_second_setup_while_one_runs() {
  robot <<EOF
$(to_folder_page)
start $SETUP
expect-box $BOX_ALREADY_RUNNING press OK
expect-exit 0
expect-page $FOLDER_PAGE
press Next
expect-box $BOX_MAIN_FOLDER press Yes
expect-page $SHORTCUTS_PAGE
press Finish
expect-box $BOX_START_NOW press No
expect-exit 0
EOF
  expect_product_files "$INSTALL_FOLDER"
  expect_value "$E2E_PRODUCT_KEY" Folder "$INSTALL_FOLDER"
}
