# Shared by scripts/test and scripts/demo: packages, builds, the Wine prefix, the X display.

sudo_if_needed() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686)
  command -v i686-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-i686)
  command -v cmake >/dev/null || missing+=(cmake)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  command -v wine >/dev/null || missing+=(wine)
  dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  [ -f /usr/include/stb/stb_image.h ] || missing+=(libstb-dev)
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    sudo_if_needed dpkg --add-architecture i386
  fi
  sudo_if_needed apt-get update -q
  sudo_if_needed env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
    --no-install-recommends "${missing[@]}" mingw-w64-tools
}

build_configurations() {
  local config
  for config in "$@"; do
    echo "==== building the $config configuration"
    cmake --preset "$config" >/dev/null
    cmake --build --preset "$config" -j "$(nproc)"
  done
}

export WINEARCH=win32
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# A 32-bit prefix inside the build tree, booted once and kept between runs.
prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "==== booting a Wine prefix in $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
  fi
  local settings="$WINEPREFIX/veko-settings.reg"
  # No window manager stalls on hiding or destroying windows, and no crash dialog.
  printf '%s\r\n' 'REGEDIT4' '' \
    '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]' '"Managed"="N"' '' \
    '[HKEY_CURRENT_USER\Software\Wine\WineDbg]' '"ShowCrashDialog"=dword:00000000' '' \
    >"$settings"
  wine regedit /S "$settings" >/dev/null 2>&1
  # Let that server save the registry and go, so that the run's own server starts afresh.
  timeout 30 wineserver -w || wineserver -k || true
}

start_display() {
  local n
  for n in $(seq 91 160); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] || break
  done
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.05
  done
  # One wineserver for the whole run: every later process starts in a fraction of a second.
  # The first program starts Wine's own services, which live on with that program's output
  # handles: start them here, away from any pipe that ctest or a caller waits on.
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

stop_display() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null || true
}
