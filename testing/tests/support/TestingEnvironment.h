#pragma once
// The test program's application object, made once per process on the
// offscreen platform, and where its artefacts go.
#include <string>

#include "framework/ui/Application.h"

namespace testingtest {

fw::Application& App();
// build/testing/artefacts, made when first asked for.
std::string ArtefactDir();

}  // namespace testingtest
