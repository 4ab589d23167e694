// Entries the shell calls for the Envelope page's clipboard, its tools pane and its add pane; they do
// nothing until those parts of the page exist (the shell greys Copy and Paste meanwhile).
#include "pages/pages.h"

void envClipCopy(std::uint16_t) {}
void envClipPaste(std::uint16_t) {}
void envAddWindowCreate(std::uint16_t) {}
void envToolsPanelCreate(std::uint16_t) {}
