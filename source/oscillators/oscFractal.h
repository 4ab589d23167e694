// "Fractalize" oscillator (type 6): layer k divides the note's cycle into 2^k segments split in the
// ratio d : (1 - d) ("Displacement") and plays the whole of wave A once in each segment. Layer k
// sounds with gain "Amount"^k; the sum is normalised by 1 / (sum of the gains).
#pragma once
#include <cstdint>

struct FractalLevel;
struct OscVoiceState;

// Rebuilds the segment tables of all seven levels for split ratio x (limited to 0..1). Segments lie
// end to end from 0; the last of each level ends at exactly 1024. A segment of zero width gets
// inverse width 0 and is skipped by the render.
void fractBuildTree(OscVoiceState* state, float x);
// 2^((2r - 1) x t / 12): the random detune of a layer (t in semitones); 1.0 for non-finite results.
double fractDetuneRatio(double r, double t);
// Advances the level's cycle phase from its current value by increment i growing by t per sample,
// for at most limit samples and while it stays below the current segment's end; returns the count.
int fractAdvancePhase(FractalLevel* level, double i, double t, int limit);
