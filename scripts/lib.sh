# Shared by scripts/test, scripts/demo and scripts/bench: packages, builds, the Wine prefix, the
# X display, and which builds this host can run.

sudo_if_needed() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
  local missing=()
  # Both thread models of each compiler: posix for everything, win32 for the decoder.
  command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686)
  command -v i686-w64-mingw32-g++-win32 >/dev/null || missing+=(g++-mingw-w64-i686-win32)
  command -v x86_64-w64-mingw32-g++-win32 >/dev/null || missing+=(g++-mingw-w64-x86-64-win32)
  command -v i686-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-i686)
  command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-x86-64)
  command -v x86_64-w64-mingw32-windres >/dev/null || missing+=(binutils-mingw-w64-x86-64)
  command -v cmake >/dev/null || missing+=(cmake)
  command -v Xvfb >/dev/null || missing+=(xvfb)
  type -P wine >/dev/null || missing+=(wine)  # not the function of the same name below
  [ -x /usr/lib/wine/wine64 ] || missing+=(wine64)
  dpkg -s wine32:i386 >/dev/null 2>&1 || missing+=(wine32:i386)
  [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(googletest)
  [ -f /usr/include/stb/stb_image.h ] || missing+=(libstb-dev)
  # The release package: its archive, and the import libraries for MSVC's linker.
  command -v zip >/dev/null || missing+=(zip)
  command -v unzip >/dev/null || missing+=(unzip)
  command -v llvm-dlltool >/dev/null || missing+=(llvm)
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
    echo "==== building the $config configuration ($(describe_build "$config"))"
    cmake --preset "$config" >/dev/null
    cmake --build --preset "$config" -j "$(nproc)"
  done
}

# "32-bit veko.dll" or "64-bit veko64.dll" for a preset name.
describe_build() {
  case $1 in
    *64) echo "64-bit veko64.dll" ;;
    *) echo "32-bit veko.dll" ;;
  esac
}

# One 64-bit prefix runs the programs of both bitnesses (where the host can execute 32-bit ones),
# so that browsers and main programs of either bitness meet on one desktop.
export WINEARCH=win64
export WINEPREFIX="$root/build/wineprefix64"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
source "$root/scripts/wine-loader.sh"
# Wine's own commands through the loader this host can run (the system's wrappers may pick the
# 32-bit loader even where it cannot start).
wine() { "$VEKO_WINE" "$@"; }
winepath() { "$VEKO_WINE" winepath.exe "$@"; }

# The builds whose programs this host can run, of the given configurations.
runnable_builds() {
  local config
  for config in "$@"; do
    if [ "$VEKO_HOST_RUNS_32BIT" = 1 ]; then echo "$config"; fi
    echo "${config}64"
  done
}

# The prefix, inside the build tree, booted once and kept between runs.
prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "==== booting a 64-bit Wine prefix in $WINEPREFIX"
    wine wineboot -i >/dev/null 2>&1 || true
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
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "the Wine prefix in $WINEPREFIX could not be booted"
    return 1
  fi
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

# Says what this host cannot run, in one line; nothing where it runs everything.
say_host_limits() {
  if [ "$VEKO_HOST_RUNS_32BIT" != 1 ]; then
    local why="this host cannot execute 32-bit programs"
    [ "${VEKO_NO_32BIT:-0}" = 1 ] && why="VEKO_NO_32BIT=1: behaving as a host that cannot execute 32-bit programs"
    echo "==== $why: the 32-bit builds are built and their library files checked, but none of their programs run here"
  fi
}
