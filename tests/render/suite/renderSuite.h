// The render regression suite's material, shared by the render tests and the real-time checks: a list
// of cases (each a preset built with the program's own setters, stored from an engine, written to a
// bank file, read back and selected into the engine under test) and one fixed MIDI sequence played
// through the audio client's sub-block (TestAudioThread::runClientSubBlock).
//
// Set-up order: renderSuiteSetRate (process-wide engine rate), then renderSuiteCreateEngine, then a
// case's `load`, then renderSuitePlay. Everything here runs on one thread; nothing but renderSuitePlay's
// sub-blocks is meant for a real-time check.
#pragma once
#include <functional>
#include <string>
#include <vector>

struct Engine;

struct RenderCase {
  std::string name;                   // letters, digits and '_' only (used in file names)
  std::function<bool(Engine*)> load;  // puts the case's preset into a created engine (not real-time;
                                      // may allocate and write files); false on failure. It installs
                                      // its own message-box hook while it runs (a box counts as a
                                      // failure) and leaves none installed.
};

// Every case, in a fixed order (built once, on first call).
const std::vector<RenderCase>& renderSuiteCases();

// Plays the fixed MIDI sequence on `engine` (already loaded), calling `onBlock(outputs, outputCount,
// frames)` after every client sub-block; 2 outputs of 128 frames. renderSuiteBlocks() sub-blocks in all.
// It first sets the process-wide oscillator random generators to their start values, so a case sounds
// the same whatever ran before it. The "Audio In" case is silent: the client sub-block delivers no
// device input.
// `onReady`, when given, is called once just before the first sub-block, after the player has made its
// buffers: a real-time check arms its guard there to cover every sub-block.
void renderSuitePlay(Engine* engine,
                     const std::function<void(const float* const* outputs, int count, int frames)>& onBlock,
                     const std::function<void()>& onReady = nullptr);

// Sub-blocks renderSuitePlay runs at the engine rate in force (about 2.5 s of sound).
int renderSuiteBlocks();

// The process-wide engine rate (engineConfig; 44,100 or 48,000 here): also prepares the shared tables
// and sets the configuration defaults first. False for a rate the engine refuses. Call with no engine
// alive, before renderSuiteCreateEngine.
bool renderSuiteSetRate(float rate);

// A new engine at the rate in force, two outputs, as the audio client would have it; null when memory
// is short. Destroy with renderSuiteDestroyEngine.
Engine* renderSuiteCreateEngine();
void renderSuiteDestroyEngine(Engine* engine);

// Builds a case's sound straight on `engine` with the setters, without the bank file (the render
// tests compare the two ways to prove the file keeps the sound). False for an unknown case.
bool renderSuiteBuildDirect(const std::string& name, Engine* engine);

// Writes the bank file a case's load reads (the case built on a scratch engine, stored in slot 5) to
// `path`, with this machine's byte order. False for an unknown case or a failure.
bool renderSuiteWriteBank(const std::string& name, const std::string& path);

// Runs one case's load on a fresh engine at the rate in force: renderSuiteCreateEngine + load; null
// (nothing left over) when either fails.
Engine* renderSuiteCreateLoaded(const RenderCase& c);
