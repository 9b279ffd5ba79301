// The app tests run on the framework's shared test environment: one
// offscreen application per process with a configuration folder of its own.
#include "app/tests/support/AppTestEnvironment.h"

#include "framework/ui/tests/support/TestApp.h"

namespace apptest {

fw::Application& App() {
    return fw::test::App();
}
const std::string& ConfigDir() {
    return fw::test::ConfigDir();
}

}  // namespace apptest
