#pragma once
#include <string>

namespace setuptest {

// The running test's own configuration folder ($RYX_CONFIG_DIR): a fresh,
// empty one for every test, inside the process's folder of framework/ui's
// test environment, so that no test sees settings an earlier one stored,
// whether the tests run one per process or all in one.
const std::string& ConfigDir();

}  // namespace setuptest
