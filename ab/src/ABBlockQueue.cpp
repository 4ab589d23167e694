// Block mode: device blocks of any length are queued through two rings of 32 blocks so that the
// client only ever runs on whole blocks (or multiples). The input runs one block ahead of the output;
// MIDI events read for a chunk are queued with their offset in the client's blocks.
#include "ABAudioEngine.h"

#include <cstring>

void AudioEngine::queueMidi(int chunkStart, int chunkEnd, int base) {
  if (chunkStart >= chunkEnd) return;
  MidiEventRecord record;
  int offset = chunkStart;
  int next = -1;
  for (;;) {
    if (readMidiEvent(offset, &record, 0, &next)) {
      record.offset = (offset - chunkStart) + base;
      const int after = (midiQueueWrite + 1) % midiQueueCapacity;
      if (after == midiQueueRead) {
        ++midiDropped_;  // full: the newest event is dropped, unread ones stay
      } else {
        midiQueue[midiQueueWrite] = record;
        midiQueueWrite = after;
      }
      continue;
    }
    // Nothing more in this chunk (an event at an earlier offset waits for the next block).
    if (next < 0 || next >= chunkEnd || next <= offset) break;
    offset = next;
  }
}

void AudioEngine::queueClientCall(int nIn, int nOut, int blockIndex, int frames) {
  const int at = blockIndex * blockSize;
  for (int i = 0; i < AB_MAX_CHANNELS; ++i) {
    queueIn[i] = ringIn[i] ? ringIn[i] + at : nullptr;
    queueOut[i] = ringOut[i] ? ringOut[i] + at : nullptr;
  }
  midiQueueSaved_ = midiQueueRead;
  callClient(queueIn, queueOut, nIn, nOut, frames);
  framesProcessed += frames;
  // Events of this call are consumed (read or not); the rest move on by the call's length.
  int index = midiQueueSaved_;
  int newRead = midiQueueWrite;
  bool found = false;
  while (index != midiQueueWrite) {
    MidiEventRecord& e = midiQueue[index];
    if (e.offset >= frames) {
      e.offset -= frames;
      if (!found) {
        newRead = index;
        found = true;
      }
    }
    index = (index + 1) % midiQueueCapacity;
  }
  midiQueueRead = newRead;
}

void AudioEngine::processQueued(float** in, float** out, int nIn, int nOut, int frames) {
  const int B = blockSize;
  if (frames <= 0) return;
  if (directFlag && allowMultiples && frames % B == 0) {
    callClient(in, out, nIn, nOut, frames);
    return;
  }
  if (directFlag && !allowMultiples && frames == B) {
    callClient(in, out, nIn, nOut, frames);
    return;
  }
  if (AudioTimeInfo* t = getTimeInfo()) timeInfo = *t;
  if (directFlag) ringInPos = (ringInPos + B) % ringFrames;
  // From the first queued chunk on the client reads its MIDI from the queue: reading the ring
  // directly in that first call would skip or lose the events this chunk has already queued.
  bool wasDirect = directFlag;
  directFlag = false;
  int pos = 0;
  bool first = true;
  while (pos < frames) {
    int n = frames - pos;
    if (n > ringFrames - ringOutPos) n = ringFrames - ringOutPos;
    if (n > ringFrames - ringInPos) n = ringFrames - ringInPos;
    if (!allowMultiples && n > B) n = B;
    if (first && wasDirect && !allowMultiples) n = 0;
    first = false;
    for (int i = 0; i < nIn; ++i) {
      if (in[i])
        std::memcpy(ringIn[i] + ringInPos, in[i] + pos, sizeof(float) * n);
      else
        std::memset(ringIn[i] + ringInPos, 0, sizeof(float) * n);
    }
    queueMidi(pos, pos + n, B + ringInPos % B);
    int k = B * ((ringOutPos + n) / B - ringOutPos / B) + (wasDirect ? B : 0);
    if (k > 0) {
      int j = ringOutPos / B + (wasDirect ? 0 : 1);
      if (j >= AB_QUEUE_BLOCKS) j = 0;
      // A run of blocks that passes the ring's end is handed over in two calls.
      while (k > 0) {
        int run = k;
        if (run > ringFrames - j * B) run = ringFrames - j * B;
        queueClientCall(nIn, nOut, j, run);
        k -= run;
        j = 0;
      }
    }
    for (int i = 0; i < nOut; ++i)
      if (out[i]) std::memcpy(out[i] + pos, ringOut[i] + ringOutPos, sizeof(float) * n);
    ringOutPos = (ringOutPos + n) % ringFrames;
    ringInPos = (ringInPos + n) % ringFrames;
    wasDirect = false;
    pos += n;
  }
  framesIn += frames;
}

bool AudioEngine::nextMidiEvent(int offset, MidiEventRecord* out, int type, int* nextOffset) {
  if (!blockMode || directFlag || !midiQueue) return readMidiEvent(offset, out, type, nextOffset);
  if (nextOffset) *nextOffset = -1;
  while (midiQueueRead != midiQueueWrite) {
    const MidiEventRecord& e = midiQueue[midiQueueRead];
    if (type != 0 && e.type != type) {
      midiQueueRead = (midiQueueRead + 1) % midiQueueCapacity;
      continue;
    }
    if (nextOffset) *nextOffset = e.offset;
    if (e.offset != offset) return false;
    if (out) *out = e;
    midiQueueRead = (midiQueueRead + 1) % midiQueueCapacity;
    return true;
  }
  return false;
}

void AudioEngine::rewindMidi() {
  if (!blockMode || directFlag || !midiQueue)
    rewindRing();
  else
    midiQueueRead = midiQueueSaved_;
}
