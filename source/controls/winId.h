// The type every routine of the control kit, the pages and the shell takes a window slot by.
#pragma once
#include <cstdint>

// A window slot's number (-1 for none).
typedef std::int16_t WinId;
