// Engine set-up of the render suite and the file path every case takes: the preset made on a scratch
// engine with the setters is stored into a preset record, written to a bank file with the bank
// writer, read back into a fresh bank and selected into the engine under test.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "engine/engine.h"
#include "engine/engineConfig.h"
#include "preset/bank.h"
#include "preset/bankFile.h"
#include "preset/chunk.h"
#include "preset/presetCopy.h"
#include "preset/presetHeader.h"
#include "preset/wave.h"
#include "render/suite/renderSuite.h"
#include "render/suite/renderSuiteBuild.h"
#include "support/tempDir.h"
#include "uiSeams/msgBox.h"

namespace {

// Any box raised while a case loads (a file that cannot be read, a sample not found) counts as a
// failure of the load; under Windows it would otherwise wait for a click.
int gBoxes = 0;
int countBox(void*, int, const char* text, int) {
  ++gBoxes;
  std::fprintf(stderr, "render suite: message during load: %s\n", text ? text : "");
  return msgAnswerOk;
}

const std::int16_t kSlot = 5;  // the bank slot every case goes through

void specFor(FileSpec* file, const std::string& path) {
  fileSpecClear(file);
  fileSpecSetPath(file, path.c_str(), nullptr);
}

// Builds the case on a scratch engine, stores it into a preset and writes a bank holding it.
bool writeCaseBank(const std::string& name, const RenderBuild& build, const std::string& path) {
  Engine* scratch = engineCreate();
  if (!scratch) return false;
  bool ok = build(scratch);
  patchSetName(scratch, name.c_str());
  Preset* preset = ok ? presetAlloc(kSlot) : nullptr;
  if (preset) presetStoreFromEngine(scratch, preset, kSlot);  // false only when no local wave is in use
  engineDestroy(scratch);
  if (!preset) return false;
  Bank* out = bankCreate();
  if (!out) {
    presetFree(preset);
    return false;
  }
  bankPutPreset(out, preset);  // the bank owns it from here
  FileSpec file;
  specFor(&file, path);
  ok = bankFileWrite(out, &file);
  bankDestroy(out);
  return ok;
}

bool loadThroughBank(const std::string& name, const RenderBuild& build, Engine* engine) {
  char rate[16];
  std::snprintf(rate, sizeof rate, "_%d", static_cast<int>(engineSampleRate()));
  const std::string path = testTempPath("render_" + name + rate + ".bnk");
  if (!writeCaseBank(name, build, path)) return false;

  FileSpec file;
  bool ok;
  Bank* in = bankCreate();
  if (!in) return false;
  specFor(&file, path);
  ok = bankFileOpen(in, &file) && !bankSlotIsEmpty(in, kSlot);
  if (ok) {
    char stored[35];
    bankGetPresetName(in, kSlot, stored);
    ok = name.compare(0, 34, stored) == 0;
  }
  if (ok) bankSelectPreset(in, engine, kSlot);
  bankDestroy(in);
  return ok;
}

}  // namespace

bool renderSuiteSetRate(float rate) {
  static bool wavesMade = false;
  if (!wavesMade) {
    presetWavesInit();
    wavesMade = true;
  }
  engineCfgInitDefaults();
  return engineCfgSetRate(rate);
}

Engine* renderSuiteCreateEngine() {
  Engine* engine = engineCreate();
  if (!engine) return nullptr;
  engineSetOutputCount(engine, 2);
  return engine;
}

void renderSuiteDestroyEngine(Engine* engine) { engineDestroy(engine); }

Engine* renderSuiteCreateLoaded(const RenderCase& c) {
  Engine* engine = renderSuiteCreateEngine();
  if (!engine) return nullptr;
  if (!c.load || !c.load(engine)) {
    renderSuiteDestroyEngine(engine);
    return nullptr;
  }
  return engine;
}

namespace {
std::vector<std::pair<std::string, RenderBuild>>& builders() {
  static std::vector<std::pair<std::string, RenderBuild>> list;
  return list;
}
}  // namespace

bool renderSuiteWriteBank(const std::string& name, const std::string& path) {
  renderSuiteCases();
  for (const auto& b : builders())
    if (b.first == name) {
      gBoxes = 0;
      msgBoxSetHook(countBox, nullptr);
      const bool ok = writeCaseBank(name, b.second, path);
      msgBoxSetHook(nullptr, nullptr);
      return ok && gBoxes == 0;
    }
  return false;
}

bool renderSuiteBuildDirect(const std::string& name, Engine* engine) {
  renderSuiteCases();  // makes the builders
  for (const auto& b : builders())
    if (b.first == name) {
      if (!engine || !b.second(engine)) return false;
      engineApplyPatchChange(engine, 1);  // as a selection ends
      return true;
    }
  return false;
}

RenderCase renderCaseThroughBank(const std::string& name, const RenderBuild& build) {
  builders().push_back({name, build});
  return RenderCase{name, [name, build](Engine* engine) {
                      if (!engine) return false;
                      gBoxes = 0;
                      msgBoxSetHook(countBox, nullptr);
                      const bool ok = loadThroughBank(name, build, engine);
                      msgBoxSetHook(nullptr, nullptr);
                      return ok && gBoxes == 0;
                    }};
}
