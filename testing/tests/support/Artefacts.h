#pragma once
// Where the tests keep what they draw and print: build/testing/artefacts.
#include <QDir>
#include <string>

namespace testingtest {

inline std::string ArtefactDir() {
#ifdef RYX_TEST_ARTEFACTS
    const std::string dir = RYX_TEST_ARTEFACTS;
#else
    const std::string dir = "artefacts";
#endif
    QDir().mkpath(QString::fromStdString(dir));
    return dir;
}

}  // namespace testingtest
