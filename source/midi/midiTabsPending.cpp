// Tabs 3 (Note Scaling) and 4 (Tune) of the Midi page, and the page's idle tick that follows the
// played note on tab 3. Their panels exist and switch with the others; the controls inside them come
// with the note-scaling and tuning editors, whose own files replace this one.
#include "midi/midiPage.h"
#include "pages/pages.h"

void midiNoteScaleTabBuild(int16_t) {}
void midiNoteScaleTabRefresh(int16_t) {}
void midiTuneTabBuild(int16_t) {}
void tuningTabRefresh(int16_t, uint8_t) {}
void midiPagePeriodicRefresh(std::uint16_t) {}
