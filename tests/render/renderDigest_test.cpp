// Render digests (render/suite/renderDigests.h) against the one stored file tests/render/digests.txt:
// every lane set this processor runs (scalar, SSE2, AVX, forced in turn) must reproduce every line
// bit for bit, in every build: the kernels are written once over the lane type, and no build differs
// in the arithmetic of a lane. The energies are compared too, to tell a changed sound from a
// changed digest routine. Rewrite the file after a deliberate change of sound with
// MORVANE_UPDATE_RENDER_DIGESTS=1 (the widest lane set writes it).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "engine/lanes.h"
#include "render/suite/renderDigests.h"
#include "support/tempDir.h"

namespace {

const int digestBlocks = 200;

std::string digestPath() { return testSourcePath("tests/render/digests.txt"); }

bool updatingDigests() {
  const char* v = std::getenv("MORVANE_UPDATE_RENDER_DIGESTS");
  return v && v[0] && std::string(v) != "0";
}

std::vector<RenderDigest> stored() {
  std::vector<RenderDigest> lines;
  std::ifstream in(digestPath());
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    RenderDigest d;
    if (renderDigestParse(line, &d))
      lines.push_back(d);
    else
      ADD_FAILURE() << "unreadable line in " << digestPath() << ": " << line;
  }
  return lines;
}

class RenderDigestTest : public ::testing::TestWithParam<int> {
 protected:
  void TearDown() override { lanesForce(-1); }
};

TEST_P(RenderDigestTest, LaneSetReproducesStoredDigests) {
  const int set = GetParam();
  if (set > lanesWidest()) GTEST_SKIP() << "this processor has no " << lanesName(set) << " lanes";
  ASSERT_EQ(lanesForce(set), set);
  if (updatingDigests()) {
    if (set != lanesWidest()) GTEST_SKIP() << "the widest lane set writes the file";
    std::ofstream out(digestPath());
    out << "# Render digests of tests/render/suite/renderDigests.cpp, " << digestBlocks
        << " sub-blocks each (rewritten with MORVANE_UPDATE_RENDER_DIGESTS=1).\n";
    renderDigestsRun("", digestBlocks, [&](const RenderDigest& d) { out << renderDigestFormat(d) << "\n"; });
    ASSERT_TRUE(out.good()) << digestPath();
    return;
  }
  const std::vector<RenderDigest> want = stored();
  ASSERT_FALSE(want.empty()) << "no digests in " << digestPath();
  std::map<std::string, RenderDigest> byName;
  for (const RenderDigest& d : want) byName[d.name] = d;
  std::size_t seen = 0;
  renderDigestsRun("", digestBlocks, [&](const RenderDigest& got) {
    const auto it = byName.find(got.name);
    if (it == byName.end()) {
      ADD_FAILURE() << "set-up " << got.name << " has no stored digest";
      return;
    }
    ++seen;
    const RenderDigest& w = it->second;
    EXPECT_EQ(renderDigestFormat(got), renderDigestFormat(w))
        << lanesName(set) << " lanes: " << got.name << " renders differently (energy "
        << (w.energy != 0.0 ? got.energy / w.energy - 1.0 : got.energy) << " off, relative)";
  });
  EXPECT_EQ(seen, want.size()) << "stored set-ups that no longer exist";
}

INSTANTIATE_TEST_SUITE_P(Lanes, RenderDigestTest, ::testing::Values(laneSetScalar, laneSetSse2, laneSetAvx),
                         [](const ::testing::TestParamInfo<int>& p) { return std::string(lanesName(p.param)); });

}  // namespace
