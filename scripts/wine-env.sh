# Sourced: the Wine environment of one Windows build folder ($BUILD_DIR) of this source tree ($SRC_DIR),
# with the Wine loader that runs on this machine.
source "$SRC_DIR/scripts/machine-32bit.sh"
morvane_32bit_decide
export WINEPREFIX="$BUILD_DIR/wineprefix" WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="           # no Mono or Gecko installer prompts
export ALSA_CONFIG_PATH="$SRC_DIR/scripts/asound.conf"
export MORVANE_AUDIO_OUT="$BUILD_DIR/audio/out-%r-%c-%f.raw" MORVANE_AUDIO_IN="$BUILD_DIR/audio/in.raw"
export MORVANE_ARTIFACTS="$BUILD_DIR/artifacts"
mkdir -p "$BUILD_DIR/audio" "$MORVANE_ARTIFACTS"
[ -e "$MORVANE_AUDIO_IN" ] || : > "$MORVANE_AUDIO_IN"
