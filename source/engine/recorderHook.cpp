// Default recorder trigger of the sound core: no recorder waits for a note.
#include "engine/recorderHook.h"

void recStartOnNote() {}
