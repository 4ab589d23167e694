// The recorder's note trigger, called by the note-on handler after every note-on that got a voice.
// The recorder (source/audioPath) starts a take here when it waits for a note: it installs its
// routine once at start-up, before the audio thread runs. Without one (the engine's own build) the
// call does nothing.
#pragma once

typedef void (*RecNoteHook)();

void recStartOnNote();
// Installs the routine recStartOnNote runs on the audio thread; null removes it.
void recSetNoteHook(RecNoteHook hook);
