#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QLocalServer>
#include <cstdlib>
#include <cstring>

#include "app/SingleInstance.h"
#include "app/tests/support/AppTestEnvironment.h"

namespace {

// Each case uses class names of its own: the socket names carry the
// process's configuration folder, so parallel processes never meet.
TEST(SingleInstance, SecondClaimRaisesTheFirstAndHandsOverItsFiles) {
    SingleInstance first;
    ASSERT_TRUE(first.Claim("RaiseClass"));
    ASSERT_TRUE(first.IsListening());
    std::vector<std::string> handed;
    int raised = 0;
    first.SetRaiseHandler([&](const std::vector<std::string>& files) {
        ++raised;
        handed = files;
    });

    // The second instance blocks on its request, so it runs on a thread of
    // its own while the first one's loop answers.
    bool secondRuns = true;
    std::thread second([&] {
        SingleInstance s;
        secondRuns = s.Claim("RaiseClass", {"/data/T1.RYX"});
    });
    EXPECT_TRUE(apptest::App().RunUntil([&] { return raised > 0; }));
    second.join();
    EXPECT_FALSE(secondRuns);
    EXPECT_EQ(raised, 1);
    EXPECT_EQ(handed, std::vector<std::string>{"/data/T1.RYX"});
}

TEST(SingleInstance, AnotherNameRunsBeside) {
    SingleInstance a;
    SingleInstance b;
    EXPECT_TRUE(a.Claim("LabAClass"));
    EXPECT_TRUE(b.Claim("LabBClass"));
    EXPECT_NE(a.Name(), b.Name());
}

TEST(SingleInstance, NameCarriesTheConfigurationFolder) {
    const std::string here = SingleInstance::SocketName("RYXwClass");
    const std::string saved = getenv("RYX_CONFIG_DIR");
    setenv("RYX_CONFIG_DIR", "/tmp/some-other-config", 1);
    const std::string there = SingleInstance::SocketName("RYXwClass");
    setenv("RYX_CONFIG_DIR", saved.c_str(), 1);
    EXPECT_NE(here, there);
    // Odd class names stay usable as socket names.
    const std::string odd = SingleInstance::SocketName("a/b c\nClass");
    EXPECT_EQ(odd.find('/'), std::string::npos);
    EXPECT_EQ(odd.find('\n'), std::string::npos);
}

TEST(SingleInstance, StaleSocketOfACrashedStationIsRemoved) {
    // A socket file that nobody listens on, as a killed station leaves it.
    const std::string name = SingleInstance::SocketName("StaleClass");
    const std::string path = QDir::temp().filePath(QString::fromStdString(name)).toStdString();
    int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    ASSERT_LT(path.size(), sizeof addr.sun_path);
    std::strcpy(addr.sun_path, path.c_str());
    unlink(path.c_str());
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    close(fd);  // the file stays, refusing every connection

    SingleInstance s;
    EXPECT_TRUE(s.Claim("StaleClass"));
    EXPECT_TRUE(s.IsListening());
}

}  // namespace
