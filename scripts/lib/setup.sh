# Shared set-up of scripts/test, scripts/run and scripts/wine: packages,
# builds, display and the Wine prefix. Sourced, not run; expects $ROOT.

PACKAGES=(cmake make g++-mingw-w64-i686-posix mingw-w64-i686-dev g++-mingw-w64-x86-64-posix
          mingw-w64-x86-64-dev wine wine32:i386 wine64 xvfb xauth googletest fonts-wqy-microhei librapidxml-dev
          nlohmann-json3-dev libstb-dev chromium python3)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

log() { printf '[setup] %s\n' "$*" >&2; }

# Installs only what is missing, so a second run costs a few dpkg queries.
ensure_packages() {
  local missing=() pkg
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    log "adding the i386 architecture for 32-bit Wine"
    as_root dpkg --add-architecture i386
    missing=("${PACKAGES[@]}")
  else
    for pkg in "${PACKAGES[@]}"; do
      dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "ok installed" || missing+=("$pkg")
    done
  fi
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# The program ships as 32-bit Windows code. Wine runs that only where the
# kernel can start its 32-bit loader; elsewhere the same code is built and
# run as 64-bit, and the 32-bit program is still built to keep it honest.
choose_architecture() {
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then
    RUN_ARCH=i686
    WINE=/usr/lib/wine/wine
    export WINEARCH=win32
  else
    RUN_ARCH=x86_64
    WINE=/usr/lib/wine/wine64
    export WINEARCH=win64
  fi
  export WINELOADER=$WINE
  BUILD_DIR=${BUILD_DIR:-$ROOT/build}
  SHIP_BUILD_DIR=$BUILD_DIR-win32
  export WINEPREFIX=$BUILD_DIR/wineprefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
}

# build_tree DIR ARCH [cmake options...]
build_tree() {
  local dir=$1 arch=$2
  shift 2
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$arch-posix.cmake" "$@" >/dev/null || return 1
  fi
  # Progress lines are hidden; warnings and errors stay.
  cmake --build "$dir" -j2 -- --no-print-directory 2>&1 | grep -Ev '^(\[ *[0-9]+%\] (Building|Linking|Built)|-- )'
  return "${PIPESTATUS[0]}"
}

configure_and_build() {
  build_tree "$BUILD_DIR" "$RUN_ARCH" || return 1
  # TARNWELL_SKIP_SHIP_BUILD=1 saves the second build while iterating.
  if [ "$RUN_ARCH" != i686 ] && [ -z "${TARNWELL_SKIP_SHIP_BUILD:-}" ]; then
    build_tree "$SHIP_BUILD_DIR" i686 -DTARNWELL_BUILD_TESTS=OFF -DTARNWELL_BUILD_BENCH=OFF || return 1
  fi
}

XVFB_PID=
# Windows need a display: use the caller's, or start a virtual one.
ensure_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  local n i
  for n in 99 98 97 96 95; do
    if [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; then continue; fi
    Xvfb ":$n" -screen 0 1920x1080x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for i in $(seq 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && return 0
      sleep 0.1
    done
    log "Xvfb did not come up on :$n"
    return 1
  done
  log "no free display number for Xvfb"
  return 1
}

# One wineserver for the whole run: every later start is warm. Booting the
# prefix here also starts Wine's background services with their output on
# /dev/null; started by the first test instead, they would inherit CTest's
# output pipe and keep it open until the time-out.
start_wine() {
  [ -f "$WINEPREFIX/system.reg" ] || log "creating the Wine prefix (once per build folder)"
  wineserver -p >/dev/null 2>&1 </dev/null || true
  "$WINE" wineboot >/dev/null 2>&1 </dev/null || true
  # Xvfb runs no window manager; Wine would wait two seconds for one on every
  # hidden or destroyed top-level window, so there Wine manages the windows
  # itself. A real display keeps its window manager in charge.
  local unmanaged=no
  grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && unmanaged=yes
  if [ -n "$XVFB_PID" ] && [ $unmanaged = no ]; then
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null || true
  elif [ -z "$XVFB_PID" ] && [ $unmanaged = yes ]; then
    "$WINE" reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f >/dev/null 2>&1 </dev/null || true
  fi
  map_chinese_ui_font
}

# The skin's "system" font is the platform's Chinese UI face, which Wine
# does not have: the prefix maps it (and the older face) to the CJK font
# that the set-up installs. Once per prefix.
map_chinese_ui_font() {
  local marker=$WINEPREFIX/.chinese-ui-font face
  [ -f "$marker" ] && return 0
  for face in '微软雅黑' '新宋体'; do
    "$WINE" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'WenQuanYi Micro Hei' /f \
      >/dev/null 2>&1 </dev/null || return 0
  done
  touch "$marker"
}

stop_session() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; fi
  return 0
}
