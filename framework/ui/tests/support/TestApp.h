#pragma once
// The test program's application object, made once per process on the
// offscreen platform. Tests give it idle work of their own.
#include <functional>
#include <string>

#include "framework/ui/Application.h"

namespace fw::test {

class TestApp : public Application {
public:
    using Application::Application;
    std::function<bool(long)> idle;
    bool OnIdle(long count) override { return idle ? idle(count) : Application::OnIdle(count); }
    // Files the framework opens by itself (recent files) come here.
    std::function<Document*(const std::string&)> openShell;
    Document* OpenShellFile(const std::string& path) override {
        return openShell ? openShell(path) : Application::OpenShellFile(path);
    }
};

TestApp& App();
// This test process's own configuration folder ($RYX_CONFIG_DIR).
const std::string& ConfigDir();

}  // namespace fw::test
