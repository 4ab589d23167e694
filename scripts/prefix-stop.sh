# Sourced: ends every Wine process of the prefix (and writes its registry to disk).
wineserver -k </dev/null >/dev/null 2>&1 || true
wineserver -w </dev/null >/dev/null 2>&1 || true
