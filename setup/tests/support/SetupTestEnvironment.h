#pragma once
#include <string>

namespace setuptest {

// This test process's own configuration folder ($RYX_CONFIG_DIR); the
// application object is framework/ui's test one.
const std::string& ConfigDir();

}  // namespace setuptest
