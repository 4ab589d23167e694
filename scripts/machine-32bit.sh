# Sourced: whether this machine runs 32-bit x86 programs, decided once from what it does, and the Wine
# loader that works here.
#
# The check starts a 95-byte i386 Linux program, written here, that only exits with status 42. A kernel
# without 32-bit support refuses it ("Exec format error", status 126). On such a machine Debian's `wine`
# launcher still picks the 32-bit loader once wine32:i386 is installed, and then every program fails,
# the 64-bit ones too; so there scripts/wine64/ goes first on PATH: its `wine` and `wine-stable` (which
# wineboot and Wine's other tools call) start the 64-bit loader.
#
# morvane_32bit_decide sets and exports MORVANE_RUNS_32BIT (1 or 0) and MORVANE_32BIT_NOTE (what was
# tried and what it answered). A decision already in the environment is kept, so that one run of
# test.sh decides once. MORVANE_32BIT_PROBE names another program to try in place of the written one
# (the tests fake either kind of machine with it).

_morvane_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# morvane_32bit_probe_write FILE: the i386 program (ELF header, one program header, then
# "xor ebx,ebx; mov bl,42; mov eax,1; int 0x80": exit(42)).
morvane_32bit_probe_write() {
  printf '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00' >"$1"
  printf '\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00' >>"$1"
  printf '\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x28\x00\x00\x00\x00\x00' >>"$1"
  printf '\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08' >>"$1"
  printf '\x5f\x00\x00\x00\x5f\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00' >>"$1"
  printf '\x31\xdb\xb3\x2a\xb8\x01\x00\x00\x00\xcd\x80' >>"$1"
  chmod +x "$1"
}

morvane_32bit_decide() {
  if [ -z "${MORVANE_RUNS_32BIT:-}" ]; then
    local probe=${MORVANE_32BIT_PROBE:-} made= out status what
    if [ -z "$probe" ]; then
      # Written beside the build folders, not in /tmp: a temporary folder may be mounted noexec.
      mkdir -p "$_morvane_scripts/../build"
      made=$(mktemp "$_morvane_scripts/../build/probe-i386.XXXXXX")
      morvane_32bit_probe_write "$made"
      probe=$made
      what="a 95-byte i386 program (exit status 42)"
    else
      what="$probe (MORVANE_32BIT_PROBE, exit status 42 wanted)"
    fi
    # (The status is taken in one list: scripts that source this run under `set -e`.)
    out=$("$probe" 2>&1 </dev/null) && status=0 || status=$?
    [ -n "$made" ] && rm -f "$made"
    out=$(sed -E '1!d; s|'"$probe"': ||; s/^[^:]*: line [0-9]+: //; s/^bash: //' <<<"$out")
    if [ "$status" = 42 ]; then
      MORVANE_RUNS_32BIT=1
      MORVANE_32BIT_NOTE="this machine runs 32-bit programs: $what ran"
    else
      MORVANE_RUNS_32BIT=0
      MORVANE_32BIT_NOTE="this machine cannot run 32-bit programs: $what gave status $status${out:+ ($out)}"
    fi
    export MORVANE_RUNS_32BIT MORVANE_32BIT_NOTE
  fi
  if [ "$MORVANE_RUNS_32BIT" = 0 ]; then
    case ":$PATH:" in
      *":$_morvane_scripts/wine64:"*) ;;
      *) PATH=$_morvane_scripts/wine64:$PATH ;;
    esac
    export PATH
  fi
}

# morvane_wine32_installed: whether Debian's 32-bit Wine is installed.
morvane_wine32_installed() {
  dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'
}

# morvane_i686_not_run: after morvane_32bit_decide, prints why the i686 (32-bit) build's programs
# cannot run here, or nothing when they can.
morvane_i686_not_run() {
  if [ "$MORVANE_RUNS_32BIT" = 0 ]; then
    echo "$MORVANE_32BIT_NOTE"
  elif ! morvane_wine32_installed; then
    echo "32-bit Wine (wine32:i386) is not installed, see scripts/deps.sh's message above"
  fi
}

# morvane_run_build: after morvane_32bit_decide, the build folder (below build/) that run.sh starts:
# the shipped 32-bit build where the machine runs 32-bit programs, else the 64-bit one.
morvane_run_build() {
  if [ "$MORVANE_RUNS_32BIT" = 1 ]; then echo win32; else echo win64; fi
}
