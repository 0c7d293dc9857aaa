# Shared by scripts/run and scripts/test: packages, the Wine prefix, the
# virtual display and a warm wineserver. Source it; it defines functions only.

QB_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Where builds go; a separate QB_BUILD lets several builds of one tree coexist.
QB_BUILD=${QB_BUILD:-$QB_ROOT/build}

qb_log() { printf '== %s\n' "$*" >&2; }

# Debian packages the build and the tests need, installed when missing.
qb_ensure_packages() {
  local need=()
  command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64)
  [ -f /usr/i686-w64-mingw32/lib/libz.a ] && [ -f /usr/x86_64-w64-mingw32/lib/libz.a ] ||
    need+=(libz-mingw-w64-dev)
  [ -x /usr/lib/wine/wine64 ] || need+=(wine64 wine)
  command -v Xvfb >/dev/null || need+=(xvfb xauth)
  command -v cmake >/dev/null || need+=(cmake)
  command -v g++ >/dev/null || need+=(g++)
  command -v clang++ >/dev/null || need+=(clang)
  [ -f /usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a ] ||
    need+=(libclang-rt-14-dev)
  [ -d /usr/src/googletest ] || need+=(googletest)
  [ -f /usr/lib/x86_64-linux-gnu/libgtest.a ] || need+=(libgtest-dev)
  [ -f /usr/include/zlib.h ] || need+=(zlib1g-dev)
  command -v lnkinfo >/dev/null || need+=(liblnk-utils)
  command -v import >/dev/null || need+=(imagemagick)
  command -v zip >/dev/null || need+=(zip unzip)
  command -v makensis >/dev/null || need+=(nsis)
  /usr/bin/python3 -c 'import pefile' 2>/dev/null || need+=(python3-pefile)
  command -v osslsigncode >/dev/null || need+=(osslsigncode)
  command -v openssl >/dev/null || need+=(openssl)
  command -v strings >/dev/null || need+=(binutils)
  command -v locale-gen >/dev/null || need+=(locales)
  # 32-bit Wine, for hosts that can run it.
  dpkg --print-foreign-architectures | grep -qx i386 || {
    qb_log "enabling the i386 architecture"
    dpkg --add-architecture i386
    need+=(wine32:i386)
  }
  dpkg -s wine32:i386 >/dev/null 2>&1 || need+=(wine32:i386)
  if [ ${#need[@]} -gt 0 ]; then
    qb_log "installing: ${need[*]}"
    qb_apt_update
    qb_apt_install "${need[@]}"
  fi
  qb_ensure_locales
}

# A mirror in the middle of a sync serves an index that does not match its
# release file, and apt-get update then fails for the whole run. It is tried
# again a few times; after that the install goes on with the lists it has.
qb_apt_update() {
  local attempt log
  log=$(mktemp)
  for attempt in 1 2 3; do
    apt-get update -q >"$log" 2>&1 && { rm -f "$log"; return 0; }
    [ $attempt -lt 3 ] && sleep $((attempt * 10))
  done
  qb_log "apt-get update failed three times; going on with the package lists it has:"
  grep -E '^(E|W):' "$log" | head -n 5 >&2 || true
  rm -f "$log"
}

# With one architecture's index missing, the candidates of amd64 and i386
# packages may come from different suites and no longer match; the
# distribution's own release, asked for by name, has both. The run stops
# only when the packages really cannot be had, and then names them.
qb_apt_install() {
  local codename log package missing=()
  log=$(mktemp)
  export DEBIAN_FRONTEND=noninteractive
  if apt-get install -y -q "$@" >"$log" 2>&1; then rm -f "$log"; return 0; fi
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ]; then
    qb_log "apt-get install failed; trying again from the $codename release"
    if apt-get install -y -q -t "$codename" "$@" >"$log" 2>&1; then rm -f "$log"; return 0; fi
  fi
  for package in "$@"; do
    apt-get install -s -q ${codename:+-t "$codename"} "$package" >/dev/null 2>&1 ||
      missing+=("$package")
  done
  echo "packages that cannot be installed: ${missing[*]:-$*}" >&2
  grep -E '^(E|W):|Depends:' "$log" | head -n 20 >&2 || true
  rm -f "$log"
  return 1
}

# The locales the end-to-end scenarios run under: Wine takes its ANSI code
# page from LANG/LC_ALL (ja_JP: 932, zh_CN: 936, ru_RU: 1251, en_US: 1252),
# and a locale that is not generated turns every non-ASCII byte into another.
QB_LOCALES=(ja_JP.UTF-8 zh_CN.UTF-8 ru_RU.UTF-8 en_US.UTF-8)
qb_ensure_locales() {
  local locale missing=()
  for locale in "${QB_LOCALES[@]}"; do
    # locale -a spells them ja_JP.utf8.
    locale -a 2>/dev/null | grep -qix "${locale%.UTF-8}.utf8" || missing+=("$locale")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  qb_log "generating the locales ${missing[*]}"
  touch /etc/locale.gen
  for locale in "${missing[@]}"; do
    if grep -q "^# *$locale UTF-8\$" /etc/locale.gen; then
      sed -i "s/^# *\($locale UTF-8\)\$/\1/" /etc/locale.gen
    elif ! grep -q "^$locale UTF-8\$" /etc/locale.gen; then
      echo "$locale UTF-8" >>/etc/locale.gen
    fi
  done
  locale-gen >/dev/null
}

# The Windows build the tests run: 32-bit where this host executes 32-bit
# code (and so 32-bit Wine), else the same sources built for 64-bit Wine.
# While qemu-i386 is registered with binfmt_misc, 32-bit Wine starts even
# where the kernel cannot run it, and binfmt_misc is asked before the kernel's
# own loader, so it would run under slow emulation either way: then win64.
qb_test_preset() {
  local entry
  if [ "$(cat /proc/sys/fs/binfmt_misc/status 2>/dev/null)" = enabled ]; then
    for entry in /proc/sys/fs/binfmt_misc/*; do
      case "$entry" in */register | */status) continue ;; esac
      if [ "$(head -n1 "$entry" 2>/dev/null)" = enabled ] &&
        grep -q '^interpreter .*qemu-i386' "$entry" 2>/dev/null; then
        echo win64
        return
      fi
    done
  fi
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo win32; else echo win64; fi
}

# Configures and builds one preset in $QB_BUILD/<preset>.
qb_build_preset() {
  local preset=$1 dir="$QB_BUILD/$1"
  mkdir -p "$QB_BUILD"
  cmake --preset "$preset" -B "$dir" >"$QB_BUILD/$preset.configure.log" 2>&1 ||
    { cat "$QB_BUILD/$preset.configure.log"; return 1; }
  cmake --build "$dir" -j"$(nproc)" >"$QB_BUILD/$preset.build.log" 2>&1 ||
    { grep -E -B2 -A8 'error|Error' "$QB_BUILD/$preset.build.log" | head -n 80; return 1; }
}

# Starts a virtual display (unless one is given in QB_DISPLAY), prepares the
# Wine prefix for the preset's build, and warms a wineserver, unless told
# "cold": then the prefix is only made if missing and no session is started.
qb_wine_start() {
  local preset=$1 warm=${2:-warm}
  local build="$QB_BUILD/$preset"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=,winemenubuilder.exe=d"
  export WINEPREFIX="$build/wineprefix"
  if [ "$preset" = win32 ]; then
    export WINEARCH=win32 QB_WINE=/usr/lib/wine/wine
  else
    export WINEARCH=win64 QB_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
  fi
  if [ -n "${QB_DISPLAY:-}" ]; then
    export DISPLAY=$QB_DISPLAY
  else
    local fifo
    fifo=$(mktemp -u)
    mkfifo "$fifo"
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
    QB_XVFB_PID=$!
    local number
    read -r number <"$fifo"
    rm -f "$fifo"
    export DISPLAY=":$number"
  fi
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    qb_log "creating the Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    "$QB_WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
    /usr/lib/wine/wineserver -w
    # Without a window manager every hidden managed window costs a stall.
    "$QB_WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null
    /usr/lib/wine/wineserver -w
  fi
  [ "$warm" = cold ] && return 0
  /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
  # Start Wine's background services now, detached from any pipe.
  "$QB_WINE" cmd /c exit >/dev/null 2>&1 </dev/null || true
}

qb_wine_stop() {
  /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  if [ -n "${QB_XVFB_PID:-}" ]; then
    kill "$QB_XVFB_PID" 2>/dev/null || true
    wait "$QB_XVFB_PID" 2>/dev/null || true
    QB_XVFB_PID=
  fi
}
