// Render regression: every case of the render suite, at 44,100 and 48,000 Hz, played with the fixed
// MIDI sequence; every output sample must be finite and normal, the case must sound (all but "Audio
// In", which has no device input here), and the rendering's features must match the stored reference
// tests/render/refs/<case>_<rate>.txt within the tolerances of RenderTolerance.
// With MORVANE_UPDATE_RENDER_REFS=1 the references are written instead (scripts/update-render-refs.sh).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "render/suite/renderFeatures.h"
#include "render/suite/renderSuite.h"
#include "support/signal.h"
#include "support/tempDir.h"

namespace {

struct Param {
  std::size_t caseIndex;
  int rate;
};

std::vector<Param> allParams() {
  std::vector<Param> p;
  for (int rate : {44100, 48000})
    for (std::size_t i = 0; i < renderSuiteCases().size(); ++i) p.push_back({i, rate});
  return p;
}

bool updatingReferences() {
  const char* v = std::getenv("MORVANE_UPDATE_RENDER_REFS");
  return v && v[0] && std::string(v) != "0";
}

std::string refPath(const std::string& name, int rate) {
  return testSourcePath("tests/render/refs/" + name + "_" + std::to_string(rate) + ".txt");
}

struct Rendering {
  std::vector<float> left, right;
  long badSample = -1;  // index of the first sample not finite or denormal, -1 none
};

Rendering render(Engine* engine) {
  Rendering r;
  renderSuitePlay(engine, [&](const float* const* out, int count, int frames) {
    if (count < 2) return;
    for (int k = 0; k < 2; ++k)
      if (r.badSample < 0 && !signalAllNormal(out[k], static_cast<std::size_t>(frames)))
        r.badSample = static_cast<long>(r.left.size());
    r.left.insert(r.left.end(), out[0], out[0] + frames);
    r.right.insert(r.right.end(), out[1], out[1] + frames);
  });
  return r;
}

// Features of the loaded cases at 44.1 kHz, kept for the file-path comparison below (which then
// renders only the directly built engine).
std::map<std::string, RenderFeatures>& loadedAt44k() {
  static std::map<std::string, RenderFeatures> kept;
  return kept;
}

class RenderRegression : public ::testing::TestWithParam<Param> {};

TEST_P(RenderRegression, MatchesTheReference) {
  const RenderCase& c = renderSuiteCases()[GetParam().caseIndex];
  const int rate = GetParam().rate;
  ASSERT_TRUE(renderSuiteSetRate(static_cast<float>(rate)));
  Engine* engine = renderSuiteCreateLoaded(c);
  ASSERT_NE(engine, nullptr) << "case " << c.name << " did not load";
  const Rendering r = render(engine);
  renderSuiteDestroyEngine(engine);

  ASSERT_EQ(r.left.size(), static_cast<std::size_t>(renderSuiteBlocks()) * 128);
  EXPECT_EQ(r.badSample, -1) << "a sample not finite or denormal in the block from frame " << r.badSample;
  const RenderFeatures f = renderFeatures(r.left, r.right, rate);
  if (rate == 44100 && r.badSample < 0) loadedAt44k()[c.name] = f;
  double loudest = renderDbFloor;
  for (int k = 0; k < 2; ++k)
    for (double db : f.rmsDb[k]) loudest = std::max(loudest, db);
  if (c.name == "osc_audio_in")
    EXPECT_EQ(loudest, renderDbFloor) << "no device input, so silence";
  else
    EXPECT_GT(loudest, -40.0) << "the case hardly sounds";

  const std::string path = refPath(c.name, rate);
  if (updatingReferences()) {
    std::ofstream out(path, std::ios::binary);
    out << renderFeaturesToText(f, c.name);
    ASSERT_TRUE(out.good()) << "cannot write " << path;
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in.good()) << "no reference " << path << " (scripts/update-render-refs.sh writes them)";
  std::stringstream text;
  text << in.rdbuf();
  RenderFeatures reference;
  std::string error;
  ASSERT_TRUE(renderFeaturesFromText(text.str(), &reference, &error)) << path << ": " << error;
  const std::string differences = renderCompare(reference, f, RenderTolerance());
  EXPECT_EQ(differences, "") << "case " << c.name << " at " << rate << " Hz differs from " << path;
}

std::string paramName(const ::testing::TestParamInfo<Param>& info) {
  return renderSuiteCases()[info.param.caseIndex].name + "_" + std::to_string(info.param.rate);
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderRegression, ::testing::ValuesIn(allParams()), paramName);

}  // namespace

namespace {

// The bank file keeps the sound: each case built straight on an engine with the setters sounds as the
// same case stored, written, read back and selected (44.1 kHz).
class RenderFilePath : public ::testing::TestWithParam<std::size_t> {};

TEST_P(RenderFilePath, BuiltAndLoadedSoundTheSame) {
  const RenderCase& c = renderSuiteCases()[GetParam()];
  ASSERT_TRUE(renderSuiteSetRate(44100.0f));
  Engine* direct = renderSuiteCreateEngine();
  ASSERT_NE(direct, nullptr);
  ASSERT_TRUE(renderSuiteBuildDirect(c.name, direct));
  const Rendering a = render(direct);
  renderSuiteDestroyEngine(direct);
  EXPECT_EQ(a.badSample, -1);
  auto kept = loadedAt44k().find(c.name);
  if (kept == loadedAt44k().end()) {  // this test run alone
    Engine* loaded = renderSuiteCreateLoaded(c);
    ASSERT_NE(loaded, nullptr);
    const Rendering b = render(loaded);
    renderSuiteDestroyEngine(loaded);
    kept = loadedAt44k().emplace(c.name, renderFeatures(b.left, b.right, 44100)).first;
  }
  const std::string differences =
      renderCompare(renderFeatures(a.left, a.right, 44100), kept->second, RenderTolerance());
  EXPECT_EQ(differences, "") << "case " << c.name << ": loaded (current) against built (reference)";
}

std::vector<std::size_t> caseIndices() {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < renderSuiteCases().size(); ++i) v.push_back(i);
  return v;
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderFilePath, ::testing::ValuesIn(caseIndices()),
                         [](const ::testing::TestParamInfo<std::size_t>& info) {
                           return renderSuiteCases()[info.param].name;
                         });

}  // namespace
