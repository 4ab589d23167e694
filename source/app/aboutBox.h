// The About box: run as a dialog over a window (the "?" menu and the strip's About button).
#pragma once
#include <cstdint>

void appRunAboutBox(std::int16_t window);
void appShowAbout(std::int16_t window);
