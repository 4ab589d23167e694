// The recorder's start-up in the program: the buffer length comes from the setting "record time"
// (frames; user key, then machine key). It is never written back.
#include "app/appSettings.h"
#include "audioPath/recorder.h"

void recInit() { recInitFrames(appReadInt("record time", recDefaultFrames)); }
