# Sourced after wine-env.sh: creates the private 64-bit prefix ($WINEPREFIX) once and starts its
# persistent Wine server with the output detached (services keep inherited pipes open otherwise).
mkdir -p "$WINEPREFIX"
wineserver -p </dev/null >/dev/null 2>&1
if [ ! -f "$WINEPREFIX/.morvane-ready" ]; then
  wineboot -i </dev/null >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d alsa /f </dev/null >/dev/null 2>&1
  # Without a window manager every top-level DestroyWindow would wait 2 s for one.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
  touch "$WINEPREFIX/.morvane-ready"
fi
