// The recorder's note trigger, called by the note-on handler after every note-on that got a voice.
// The application shell's recorder starts a take here when it waits for a note; the engine's own
// build has nothing waiting, so its default does nothing.
#pragma once

void recStartOnNote();
