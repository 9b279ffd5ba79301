#pragma once
#include <string>

#include "framework/ui/Application.h"

namespace apptest {

fw::Application& App();
// This test process's own configuration folder ($RYX_CONFIG_DIR).
const std::string& ConfigDir();

}  // namespace apptest
