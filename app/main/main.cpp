// ryxw: the bending beam rheometer station.
#include "app/CQXRYXwApp.h"
#include "app/Termination.h"
#include "framework/core/TestDoubles.h"
#include "framework/ui/FileDialogs.h"
#include "framework/ui/QtMessageBox.h"

int main(int argc, char** argv) {
    CQXRYXwApp app(argc, argv);
    fw::QtMessageBox boxes;
    fw::QtFileDialogs files;
    fw::ServiceScope<fw::FileDialogService> fileScope(files);
    // SIGTERM, SIGINT and SIGHUP close the station as its window's close would.
    TerminationHandler term;
    const int code = app.Main();
    return app.RaiseUnanswered() ? CQXRYXwApp::kExitNotAnswered : code;
}
