# The scenario frame and the checks of the state after a run. Sourced by
# run-all after lib.sh. A scenario is a function sc_<name> that runs the robot
# and then checks; every failed check is collected, not fatal, so one run
# reports everything that is wrong.

E2E_SCENARIOS=()
scenario() { E2E_SCENARIOS+=("$1"); }

run_scenario() {
  SC_NAME=$1
  SC_PREFIX="$WORK/$1"
  SC_OUT="$OUT/$1"
  SC_PROBLEMS=()
  SC_ROBOT_RUNS=0
  rm -rf "$SC_OUT"
  mkdir -p "$SC_OUT"
  e2e_fresh_prefix "$SC_PREFIX"
  e2e_stage "$SC_PREFIX" "$BUILD"
  local started=$SECONDS
  "sc_$1"
  e2e_end_prefix "$SC_PREFIX"
  local took=$((SECONDS - started))
  if [ ${#SC_PROBLEMS[@]} -eq 0 ]; then
    passed=$((passed + 1))
    echo "PASS $1 (${took}s)"
    rm -rf "$SC_PREFIX"
  else
    failed=$((failed + 1))
    echo "FAIL $1 (${took}s; prefix kept in $SC_PREFIX, logs and screenshots in $SC_OUT)"
    printf '    %s\n' "${SC_PROBLEMS[@]}"
  fi
}

problem() { SC_PROBLEMS+=("$*"); }

# Runs the robot on the scenario text given on stdin. With shots (the
# default) every page and box it passes is kept as a PNG in the scenario's
# output folder.
robot() {
  SC_ROBOT_RUNS=$((SC_ROBOT_RUNS + 1))
  local run=$SC_ROBOT_RUNS
  cat >"$SC_OUT/scenario-$run.txt"
  e2e_robot "$SC_PREFIX" "$SC_OUT/scenario-$run.txt" "$SC_OUT/robot-$run.log" "$SC_OUT/shots-$run"
  local rc=$?
  SC_LOG="$SC_OUT/robot-$run.log"
  if [ $rc -ne 0 ]; then
    problem "robot run $run: $(grep -m1 'FAIL:' "$SC_LOG" || echo "exit $rc")"
  fi
  return 0
}

# The registry files are written when the prefix's wineserver ends.
saved() { e2e_end_prefix "$SC_PREFIX"; }

regfile() { python3 "$E2E_DIR/regfile.py" "$SC_PREFIX" "$@"; }

expect_value() {
  local key=$1 name=$2 want=$3 got
  saved
  if ! got=$(regfile value "$key" "$name"); then
    problem "registry: no value $key [$name]"
  elif [ "$got" != "$want" ]; then
    problem "registry: $key [$name] is '$got', expected '$want'"
  fi
}

expect_type() {
  local key=$1 name=$2 want=$3 got
  saved
  got=$(regfile type "$key" "$name") || got="(none)"
  [ "$got" = "$want" ] || problem "registry: $key [$name] has type $got, expected $want"
}

expect_no_value() {
  saved
  if regfile value "$1" "$2" >/dev/null; then problem "registry: value $1 [$2] is still there"; fi
}

expect_key() {
  saved
  regfile key "$1" || problem "registry: no key $1"
}

expect_no_key() {
  saved
  if regfile key "$1"; then problem "registry: key $1 exists"; fi
}

unix_path() { e2e_unix_path "$SC_PREFIX" "$1"; }

expect_file() { [ -f "$(unix_path "$1")" ] || problem "file missing: $1"; }
expect_no_file() { [ ! -e "$(unix_path "$1")" ] || problem "should not exist: $1"; }
expect_folder() { [ -d "$(unix_path "$1")" ] || problem "folder missing: $1"; }

expect_file_text() {
  local path=$1 want=$2 file
  file=$(unix_path "$path")
  if [ ! -f "$file" ]; then
    problem "file missing: $path"
  elif [ "$(cat "$file")" != "$want" ]; then
    problem "file $path holds '$(head -c 80 "$file")', expected '$want'"
  fi
}

# Two files with the same bytes (an installed file against the product's own).
expect_same_file() {
  local path=$1 original=$2
  cmp -s "$(unix_path "$path")" "$original" || problem "file $path differs from $original"
}

# The shell folder of that name in this prefix, as a Windows path.
shell_folder() {
  saved
  e2e_shell_folder "$SC_PREFIX" "$1"
}

# The fields of a shortcut (a Windows path) as lnkinfo reads it.
lnk_fields() { e2e_lnk_fields "$(unix_path "$1")"; }

# expect_lnk <link> <description> <target> <working directory> <arguments>
# An empty working directory or argument text means the shortcut has none.
expect_lnk() {
  local link=$1 description=$2 target=$3 directory=$4 arguments=$5
  local file
  file=$(unix_path "$link")
  if [ ! -f "$file" ]; then
    problem "shortcut missing: $link"
    return
  fi
  local fields
  fields=$(lnk_fields "$link")
  local field want got
  for field in "Description" "Local path" "Working directory" "Command line arguments"; do
    case "$field" in
      Description) want=$description ;;
      "Local path") want=$target ;;
      "Working directory") want=$directory ;;
      *) want=$arguments ;;
    esac
    got=$(printf '%s\n' "$fields" | sed -n "s/^$field: //p" | head -n1)
    # lnkinfo prints the target in whatever case the shell stored it.
    if [ "$field" = "Local path" ]; then
      [ "${got,,}" = "${want,,}" ] || problem "shortcut $link: $field is '$got', expected '$want'"
    else
      [ "$got" = "$want" ] || problem "shortcut $link: $field is '$got', expected '$want'"
    fi
  done
}

# Which .lnk files a folder holds, by name, sorted; compared with a list.
expect_lnk_names() {
  local folder=$1 want=$2 got
  got=$(cd "$(unix_path "$folder")" 2>/dev/null && ls -1 -- *.lnk 2>/dev/null | sort | tr '\n' ' ')
  got=${got% }
  [ "$got" = "$want" ] || problem "shortcuts in $folder: '$got', expected '$want'"
}

# The message boxes the robot saw, in order, one "caption | text" a line.
boxes_seen() { sed -n 's/^\[ *[0-9]* ms\] box \(.*\) buttons=.*$/\1/p' "$@"; }

# Nothing of the product in the registry or on disk: the prefix's registry
# differs from the pristine one only by what Wine itself changes on a start,
# and no file appeared outside the staged setup and robot folders.
expect_nothing_written() {
  saved
  local diff
  diff=$(python3 "$E2E_DIR/regfile.py" "$SC_PREFIX" diff "$E2E_PRISTINE" | grep -v -E "$E2E_WINE_NOISE")
  [ -z "$diff" ] || problem "registry changed: $(printf '%s' "$diff" | tr '\n' ';' | head -c 600)"
  local files
  files=$(cd "$SC_PREFIX/drive_c" && find . -path ./windows -prune -o -path ./e2e -prune -o \
    -path ./setup -prune -o -print | sort)
  local before
  before=$(cd "$E2E_PRISTINE/drive_c" && find . -path ./windows -prune -o -print | sort)
  local added
  added=$(comm -13 <(printf '%s\n' "$before") <(printf '%s\n' "$files") | grep -v '^\./setup$\|^\./e2e$')
  [ -z "$added" ] || problem "files written: $(printf '%s' "$added" | tr '\n' ' ' | head -c 600)"
  local setup_files
  setup_files=$(ls "$SC_PREFIX/drive_c/setup" | tr '\n' ' ')
  case "$setup_files" in
    *'qbar!ins.exe'*) problem "the extractor copy was left in the setup folder" ;;
  esac
}

# Keys and values Wine itself touches whenever a prefix starts: the display
# driver's date (today's), and the processor's description, rewritten from
# the CPU that runs the session (an emulated CPU describes itself otherwise);
# and the font settings Wine rewrites for the code pages of each program it
# starts (setup.exe runs in UTF-8: 65001); and, now and then, the console
# defaults that Wine's console host saves for stand_in.exe, a console
# program of the tests (setup.exe has no console).
E2E_WINE_NOISE='^system.reg: \[System\\CurrentControlSet\\Control\\Class\\\{4D36E968-E325-11CE-BFC1-08002BE10318\}\\0000\] driverdate(data)?:'
E2E_WINE_NOISE+='|^system.reg: \[System\\CurrentControlSet\\Control\\Session Manager\\Environment\] (processor_[a-z]+|number_of_processors):'
E2E_WINE_NOISE+='|^system.reg: \[System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts\] [a-z]+\.fon:'
E2E_WINE_NOISE+='|^user.reg: \[Software\\Wine\\Fonts\] codepages:'
E2E_WINE_NOISE+='|^user.reg: (key added )?\[Console\]'
