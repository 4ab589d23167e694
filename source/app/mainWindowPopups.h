// The File, Edit and Setup popups of the main window's top strip (selector items 19, 20 and 21):
// filled anew each time they open, their choices sent to the application's commands.
#pragma once
#include <cstdint>

struct ControlItem;

// Creates the three selectors in window `id`'s current container.
void mainWindowCreatePopups(std::int16_t id);

void mainWindowBuildFilePopup(ControlItem* item, std::int32_t opening);
void mainWindowOnFilePopup(ControlItem* item, std::int16_t popup, std::int16_t position);
void mainWindowBuildEditPopup(ControlItem* item, std::int32_t opening);
void mainWindowOnEditPopup(ControlItem* item, std::int16_t popup, std::int16_t position);
void mainWindowBuildSetupPopup(ControlItem* item, std::int32_t opening);
void mainWindowOnSetupPopup(ControlItem* item, std::int16_t popup, std::int16_t position);
