// The output set-up dialog (speaker layout and the LFE channel) over a window of the program.
#pragma once
#include <cstdint>

struct Engine;

void outSetupOpen(std::uint16_t parent, Engine* engine);
