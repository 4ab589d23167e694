// The type every routine takes a window slot by: the control kit, the pages and the shell, and the
// sound core's routines that are handed a window (undo handlers, bank dialogs, the wave menus, the
// envelope view). The records of the kit store it too.
#pragma once
#include <cstdint>

// A window slot's number (-1 for none).
typedef std::int16_t WinId;
