# Shared by tests/e2e/run-all, scripts/run and bench/install-time: a pristine
# Wine prefix, per-scenario copies of it, the staged setup folder and the robot.
# Source after scripts/common.sh, with QB_WINE and DISPLAY set (qb_wine_start).
# Each scenario prefix has its own wineserver, so the caller's is left alone.

E2E_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Where the product registers itself, as the scenarios and reports read it.
E2E_PRODUCT_KEY='HKLM\SOFTWARE\TarragonProducts\Tarragon'
E2E_UNINSTALL_KEY='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\WinQuillbar'
E2E_FILE_TYPE_KEYS=('HKCR\.Quillbar' 'HKCR\Quillbar.Script' 'HKCR\.QBarNote' 'HKCR\Quillbar.Note'
  'HKCR\.QuillbarClip' 'HKCR\Quillbar.Clip')

# The robot's script of a default install into a folder that does not exist
# yet, answering No to the start prompt. "check-licence" also checks the
# licence page; a timed install leaves that out.
e2e_default_install_script() {
  cat <<'EOF'
allow-box "WinZip Self-Extractor"
start 'C:\setup\setup.exe'
expect-page "Quillbar Setup"
EOF
  if [ "${1:-}" = check-licence ]; then echo check-licence-centred-22-rows; fi
  cat <<'EOF'
press Next
expect-page "Choose Folder for Quillbar"
press Next
expect-box "Quillbar Setup" "Main Folder does not exist.  Create it?" press Yes
expect-page "Quillbar Shortcuts"
press Finish
expect-box "Quillbar Setup" "Successful installation.  Start Quillbar now?" press No
expect-exit 0
EOF
}

# A prefix that nothing but wineboot has touched, made once per build.
e2e_pristine() {
  local preset=$1
  E2E_PRISTINE="$QB_BUILD/$preset/e2e-pristine"
  if [ ! -f "$E2E_PRISTINE/.ready" ] || [ -n "$(find "$E2E_PRISTINE/drive_c/users" -maxdepth 2 -type l)" ]; then
    qb_log "creating the pristine end-to-end prefix $E2E_PRISTINE"
    rm -rf "$E2E_PRISTINE"
    mkdir -p "$E2E_PRISTINE"
    (
      export WINEPREFIX=$E2E_PRISTINE
      "$QB_WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
      /usr/lib/wine/wineserver -w
      # Without a window manager every hidden managed window costs a stall.
      "$QB_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
      /usr/lib/wine/wineserver -k
      /usr/lib/wine/wineserver -w
    )
    # wineboot links Desktop, Documents... to the Unix home folder: shortcuts
    # made by setup would land on this machine's real desktop and be shared
    # by every scenario. Each prefix gets folders of its own instead.
    local link
    for link in "$E2E_PRISTINE"/drive_c/users/*/*; do
      if [ -L "$link" ]; then
        rm "$link"
        mkdir "$link"
      fi
    done
    touch "$E2E_PRISTINE/.ready"
  fi
}

# A fresh copy of the pristine prefix. The Windows folder (hundreds of MB of
# system DLLs that nothing here changes) is hard-linked; everything else is
# copied, so the registry and the user's folders start as wineboot left them.
e2e_fresh_prefix() {
  local prefix=$1
  e2e_end_prefix "$prefix"
  rm -rf "$prefix"
  mkdir -p "$prefix/drive_c"
  local entry
  for entry in "$E2E_PRISTINE"/* "$E2E_PRISTINE"/.update-timestamp; do
    [ -e "$entry" ] || continue
    [ "$(basename "$entry")" = drive_c ] && continue
    cp -a "$entry" "$prefix/"
  done
  for entry in "$E2E_PRISTINE"/drive_c/*; do
    if [ "$(basename "$entry")" = windows ]; then
      cp -al "$entry" "$prefix/drive_c/"
      # Text files Wine may rewrite in place must not be shared.
      find "$prefix/drive_c/windows" -maxdepth 1 -type f -name '*.ini' \
        -exec sh -c 'cp --remove-destination "$1" "$1.tmp" && mv "$1.tmp" "$1"' _ {} \;
    else
      cp -a "$entry" "$prefix/drive_c/"
    fi
  done
}

# Ends the prefix's wineserver and everything running in it; its registry is
# then saved to system.reg and user.reg.
e2e_end_prefix() {
  local prefix=$1
  [ -d "$prefix" ] || return 0
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -w >/dev/null 2>&1 || true
}

# Runs a Windows program in the prefix; output into a file (never a pipe).
e2e_wine() {
  local prefix=$1
  shift
  WINEPREFIX=$prefix "$QB_WINE" "$@" </dev/null
}

# The fields of a shortcut file (a Unix path) as lnkinfo reads it, one
# "Field: value" a line. Wine saves the target as 8-bit text in the saving
# program's code page, UTF-8 for setup.exe: lnkinfo reads it byte for byte
# (windows-1256 gives every byte a character) and lnk_local_path.py turns the
# bytes back into UTF-8.
e2e_lnk_fields() {
  lnkinfo -c windows-1256 "$1" 2>/dev/null |
    sed -n 's/^\t\(Description\|Local path\|Working directory\|Command line arguments\|Relative path\)[\t ]*: \(.*\)$/\1: \2/p' |
    python3 "$QB_ROOT/tests/e2e/lnk_local_path.py"
}

# Puts setup.exe (and, unless told otherwise, the payload beside it) into
# C:\setup, and the robot and stand-ins into C:\e2e. The two files come
# from the folder $E2E_SHIPPED when it is set (a release), else from the build.
#   e2e_stage <prefix> <build folder> [no-payload]
e2e_stage() {
  local prefix=$1 build=$2 payload=${3:-payload}
  local shipped=${E2E_SHIPPED:-$build}
  mkdir -p "$prefix/drive_c/setup" "$prefix/drive_c/e2e/shots"
  cp "$shipped/setup.exe" "$prefix/drive_c/setup/setup.exe"
  if [ "$payload" = payload ] && [ -f "$shipped/qbar47.dat" ]; then
    cp "$shipped/qbar47.dat" "$prefix/drive_c/setup/qbar47.dat"
  fi
  cp "$build/e2e/robot.exe" "$build/e2e/stand_in.exe" "$prefix/drive_c/e2e/"
}

# Runs the robot on a scenario file; its log lands in <log>. With a shot
# folder every page and box it passes is photographed there as PNG.
#   e2e_robot <prefix> <scenario> <log> [<shot folder>]
e2e_robot() {
  local prefix=$1 scenario=$2 log=$3 shots=${4:-}
  cp "$scenario" "$prefix/drive_c/e2e/scenario.txt"
  rm -f "$prefix/drive_c/e2e/shots/"*.bmp
  local args=('C:\e2e\robot.exe' 'C:\e2e\scenario.txt' 'C:\e2e\robot.log')
  [ -n "$shots" ] && args+=('C:\e2e\shots')
  local rc=0
  e2e_wine "$prefix" "${args[@]}" >"$prefix/drive_c/e2e/wine.out" 2>&1 || rc=$?
  cp "$prefix/drive_c/e2e/robot.log" "$log" 2>/dev/null || echo "robot left no log (wine: $rc)" >"$log"
  if [ -n "$shots" ]; then
    mkdir -p "$shots"
    local bmp
    for bmp in "$prefix/drive_c/e2e/shots/"*.bmp; do
      [ -e "$bmp" ] || continue
      convert "$bmp" "$shots/$(basename "${bmp%.bmp}").png" && rm -f "$bmp"
    done
  fi
  return $rc
}

# A Windows path inside the prefix as a Unix path: C:\users\x -> <prefix>/drive_c/users/x
e2e_unix_path() {
  local prefix=$1 path=$2
  path=${path//\\//}
  case "$path" in
    [Cc]:*) printf '%s/drive_c%s\n' "$prefix" "${path:2}" ;;
    *) printf '%s\n' "$path" ;;
  esac
}

# The user's shell folder of that name ("Desktop", "Programs"...), as the
# prefix's registry file holds it, as a Windows path.
e2e_shell_folder() {
  local prefix=$1 name=$2
  python3 "$E2E_SOURCE/regfile.py" "$prefix" value \
    'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders' "$name"
}
