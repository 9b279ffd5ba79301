#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <set>
#include <thread>

#include "app/RaiseRequest.h"
#include "app/SingleInstance.h"
#include "app/tests/support/AppTestEnvironment.h"
#include "framework/ui/Window.h"
#include "platform/Clock.h"

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
    std::atomic<bool> secondEnded{false};
    std::thread second([&] {
        SingleInstance s;
        secondRuns = s.Claim("RaiseClass", {"/data/T1.RYX"});
        secondEnded = true;
    });
    EXPECT_TRUE(apptest::App().RunUntil([&] { return raised > 0 && secondEnded; }));
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

// Something else on the user's account connects to the station's socket.
class Stranger {
public:
    explicit Stranger(const SingleInstance& station) {
        m_socket->connectToServer(QString::fromStdString(station.Name()));
    }
    void Send(const std::string& bytes) { m_socket->write(bytes.data(), static_cast<qint64>(bytes.size())); }
    bool Connected() const { return m_socket->state() == QLocalSocket::ConnectedState; }
    // Until the station has hung up (or the safety net of the loop ran out).
    bool WaitDropped() {
        return apptest::App().RunUntil([&] { return m_socket->state() == QLocalSocket::UnconnectedState; });
    }

private:
    std::unique_ptr<QLocalSocket> m_socket = std::make_unique<QLocalSocket>();
};

// The first instance, on the station's clock, counting what it was asked.
class GuardedInstance : public ::testing::Test {
protected:
    void SetUp() override {
        platform::SetDefaultClock(&clock);
        ASSERT_TRUE(station.Claim(className));
        station.SetRaiseHandler([&](const std::vector<std::string>& files) {
            ++raised;
            handed = files;
        });
    }
    void TearDown() override { platform::SetDefaultClock(nullptr); }

    // A later start, as a second process makes it; the station must answer it.
    void ExpectAGoodStartIsAnswered() {
        const int before = raised;
        bool secondRuns = true;
        std::atomic<bool> secondEnded{false};
        std::thread second([&] {
            SingleInstance s;
            secondRuns = s.Claim(className, {"/data/T2.RYX", "/data/T3.RYX"});
            secondEnded = true;
        });
        // The loop runs on until the answer has reached the second start.
        EXPECT_TRUE(apptest::App().RunUntil([&] { return raised > before && secondEnded; }));
        second.join();
        EXPECT_FALSE(secondRuns);
        EXPECT_EQ(raised, before + 1);
        EXPECT_EQ(handed, (std::vector<std::string>{"/data/T2.RYX", "/data/T3.RYX"}));
    }
    // Lets the station's window timers see the clock as it now is.
    void DeliverTimers() {
        fw::CheckWindowTimers();
        QCoreApplication::sendPostedEvents();
        apptest::App().PumpOnce(false);
    }

    platform::ManualClock clock{5000};
    std::string className = "GuardClass";
    SingleInstance station;
    int raised = 0;
    std::vector<std::string> handed;
};

TEST_F(GuardedInstance, AMalformedOrOversizedRequestIsDroppedAtOnce) {
    std::string longLines = "RAISE\n";
    while (longLines.size() <= raise_request::kMaxRequestBytes)
        longLines += "/data/" + std::string(90, 'a') + "\n";
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"not a raise", "HELLO\n\n"},
        {"a raise in other case", "raise\n\n"},
        {"no header", "\n\n"},
        {"a NUL in a file", std::string("RAISE\n/data/T\0.RYX\n\n", 20)},
        {"one line longer than any path", "RAISE\n/" + std::string(raise_request::kMaxLineBytes, 'x')},
        {"more files than a request holds, never ended", longLines},
        {"a megabyte without a line end", "RAISE\n" + std::string(1 << 20, 'y')},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Stranger stranger(station);
        stranger.Send(c.bytes);
        EXPECT_TRUE(stranger.WaitDropped());
        EXPECT_EQ(station.PendingConnections(), 0u);
    }
    EXPECT_EQ(raised, 0);
    ExpectAGoodStartIsAnswered();
}

TEST_F(GuardedInstance, ASilentConnectionIsDroppedAfterItsTimeAndBlocksNobody) {
    Stranger silent(station);
    Stranger halfway(station);
    halfway.Send("RAISE\n/data/T1.RYX\n");  // and then nothing
    ASSERT_TRUE(apptest::App().RunUntil([&] { return station.PendingConnections() == 2; }));
    // Meanwhile a start is answered.
    ExpectAGoodStartIsAnswered();
    clock.Advance(4999);
    DeliverTimers();
    EXPECT_TRUE(silent.Connected());
    EXPECT_TRUE(halfway.Connected());
    clock.Advance(1);
    DeliverTimers();
    EXPECT_TRUE(silent.WaitDropped());
    EXPECT_TRUE(halfway.WaitDropped());
    EXPECT_EQ(station.PendingConnections(), 0u);
    EXPECT_EQ(raised, 1);  // the half request opened nothing
    ExpectAGoodStartIsAnswered();
}

TEST_F(GuardedInstance, StartsBeyondTheConnectionsBeingReadWaitTheirTurnAndAreAnswered) {
    // Every place taken by a connection that sends nothing.
    std::vector<std::unique_ptr<Stranger>> silent;
    for (int i = 0; i < 16; ++i) silent.push_back(std::make_unique<Stranger>(station));
    ASSERT_TRUE(apptest::App().RunUntil([&] { return station.PendingConnections() == 16; }));

    // A burst of starts behind them, each with a file of its own (they take
    // turns at the start-up lock, so one at a time reaches the socket).
    constexpr int kStarts = 4;
    std::atomic<int> ended{0};
    std::vector<int> runs(kStarts, -1);
    std::vector<std::string> noAnswer(kStarts);
    std::vector<std::thread> starts;
    std::multiset<std::string> opened;
    station.SetRaiseHandler([&](const std::vector<std::string>& files) {
        ++raised;
        opened.insert(files.begin(), files.end());
    });
    for (int i = 0; i < kStarts; ++i) {
        starts.emplace_back([&, i] {
            SingleInstance s;
            runs[i] = s.Claim(className, {"/data/T" + std::to_string(i) + ".RYX"});
            noAnswer[i] = s.NoAnswer();
            ++ended;
        });
    }
    EXPECT_TRUE(apptest::App().RunUntil([&] { return station.WaitingConnections() == 1; }));
    EXPECT_EQ(raised, 0);
    // The silent ones' time runs out; the starts take their places in turn.
    clock.Advance(5000);
    DeliverTimers();
    EXPECT_TRUE(apptest::App().RunUntil([&] { return ended == kStarts && raised == kStarts; }));
    for (auto& t : starts) t.join();
    std::multiset<std::string> expected;
    for (int i = 0; i < kStarts; ++i) {
        EXPECT_EQ(runs[i], 0) << i;
        EXPECT_EQ(noAnswer[i], "") << i;
        expected.insert("/data/T" + std::to_string(i) + ".RYX");
    }
    EXPECT_EQ(raised, kStarts);
    EXPECT_EQ(opened, expected);
    for (auto& stranger : silent) EXPECT_TRUE(stranger->WaitDropped());
    EXPECT_EQ(station.PendingConnections(), 0u);
    EXPECT_EQ(station.WaitingConnections(), 0u);
}

// A station that takes the request and never answers, or hangs up on it.
TEST(SingleInstance, AStartWhoseRequestIsNotAnsweredSaysWhatItWaitedFor) {
    platform::ManualClock clock{7000};
    platform::SetDefaultClock(&clock);
    const struct {
        const char* className;
        bool hangUp;
        const char* told;
    } cases[] = {
        {"MuteClass", false, "no answer within 10 s."},
        {"HangUpClass", true, "it closed the connection."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.className);
        QLocalServer mute;
        const QString name = QString::fromStdString(SingleInstance::SocketName(c.className));
        QLocalServer::removeServer(name);
        ASSERT_TRUE(mute.listen(name));
        QByteArray received;
        QPointer<QLocalSocket> peer;
        QObject::connect(&mute, &QLocalServer::newConnection, [&] {
            peer = mute.nextPendingConnection();
            QObject::connect(peer, &QLocalSocket::readyRead, [&] {
                received += peer->readAll();
                if (c.hangUp && received.endsWith("\n\n")) peer->abort();
            });
        });
        bool runs = true;
        std::string told;
        std::atomic<bool> ended{false};
        std::thread start([&] {
            SingleInstance s;
            runs = s.Claim(c.className, {"/data/T9.RYX"});
            told = s.NoAnswer();
            ended = true;
        });
        ASSERT_TRUE(apptest::App().RunUntil([&] { return received == "RAISE\n/data/T9.RYX\n\n"; }));
        if (!c.hangUp) clock.Advance(10000);
        EXPECT_TRUE(apptest::App().RunUntil([&] { return ended.load(); }));
        start.join();
        EXPECT_FALSE(runs);
        EXPECT_EQ(told, "The station already running (socket " + mute.fullServerName().toStdString() +
                            ") did not answer the request to come forward: " + c.told);
        if (peer) peer->abort();
    }
    platform::SetDefaultClock(nullptr);
}

TEST(RaiseRequest, CarriesWhatALineCanAndStopsAtTheBound) {
    size_t handed = 0;
    const std::string longest(raise_request::kMaxLineBytes, 'p');
    const std::vector<std::string> files = {"/a b/T1.RYX", "", "/x\ny", longest, longest + "q", "/z"};
    const std::string request = raise_request::Build(files, &handed);
    EXPECT_EQ(handed, 3u);
    raise_request::Parser parser;
    EXPECT_EQ(parser.Feed(request), raise_request::Parser::State::Complete);
    EXPECT_EQ(parser.Files(), (std::vector<std::string>{"/a b/T1.RYX", longest, "/z"}));

    // As many longest paths as fit: the request is at most the bound, and the
    // parser takes it.
    const std::vector<std::string> many(100, longest);
    const std::string full = raise_request::Build(many, &handed);
    EXPECT_LE(full.size(), raise_request::kMaxRequestBytes);
    EXPECT_EQ(handed, (raise_request::kMaxRequestBytes - 7) / (longest.size() + 1));
    raise_request::Parser big;
    EXPECT_EQ(big.Feed(full), raise_request::Parser::State::Complete);
    EXPECT_EQ(big.Files().size(), handed);
}

}  // namespace
