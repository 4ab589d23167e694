// Inside the render suite: a case is a builder that sets up a scratch engine with the program's own
// setters (false when something it needs could not be made); renderCaseThroughBank wraps it into a
// RenderCase whose load stores the scratch engine's patch, writes it to a bank file, reads the file
// back and selects the preset into the engine under test.
#pragma once
#include <functional>
#include <string>

#include "render/suite/renderSuite.h"

typedef std::function<bool(Engine* scratch)> RenderBuild;

RenderCase renderCaseThroughBank(const std::string& name, const RenderBuild& build);

// A small RIFF WAVE file (16-bit mono, 44,100 Hz, root key 60) written once per process into the test
// folder; its path. Two decaying partials at 261.6 and 523.3 Hz plus a little third partial.
const std::string& renderSuiteSampleFile();
