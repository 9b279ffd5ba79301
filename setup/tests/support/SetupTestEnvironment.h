#pragma once
#include <string>

#include "framework/ui/Application.h"

namespace setuptest {

fw::Application& App();
// This test process's own configuration folder ($RYX_CONFIG_DIR).
const std::string& ConfigDir();

}  // namespace setuptest
