# Chooses the Wine loader for this host: sets VEKO_HOST_RUNS_32BIT (1 or 0) and VEKO_WINE.
# Some kernels cannot execute 32-bit programs at all ("Exec format error"), and there the usual
# loader, which is itself a 32-bit program, cannot start; 64-bit Wine still runs 64-bit programs.
# VEKO_NO_32BIT=1 makes any host behave as one of those.
if [ "${VEKO_NO_32BIT:-0}" != 1 ] && /usr/lib/wine/wine --version >/dev/null 2>&1; then
  export VEKO_HOST_RUNS_32BIT=1 VEKO_WINE=/usr/lib/wine/wine
else
  export VEKO_HOST_RUNS_32BIT=0 VEKO_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64
fi
