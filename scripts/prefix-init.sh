# Sourced after wine-env.sh: creates the private 64-bit prefix once, starts one persistent Wine server
# and the desktop with their output detached (services keep inherited pipes open otherwise), and keeps
# the desktop alive for the whole run.
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
wine cmd /c exit </dev/null >/dev/null 2>&1
if [ -f "$BUILD_DIR/tests/keepalive.exe" ]; then
  rm -f "$BUILD_DIR/keepalive.ready"
  wine "$BUILD_DIR/tests/keepalive.exe" "Z:$BUILD_DIR/keepalive.ready" </dev/null >/dev/null 2>&1 &
  for _i in $(seq 100); do [ -f "$BUILD_DIR/keepalive.ready" ] && break; sleep 0.1; done
fi
