// dvr-simulator as a raw client sees it: log-in, answers, pipelining, bad clients, faults on the
// wire, reboot, the control interface and the state file.
#include "command/Configfuc.h"
#include "command/commandtypes.h"
#include "sdk/wire.h"
#include "simserver.h"
#include "simulator/device.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFile>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace {

const char *const Profile = "type=82&channels=4&alarmin=2&alarmout=1&disks=2";

struct Frame {
    wire::Header header;
    QByteArray body;
};

// A client that speaks the frames by hand, so it can also speak them badly.
class RawClient {
public:
    explicit RawClient(std::uint16_t port)
    {
        socket_.connectToHost(QStringLiteral("127.0.0.1"), port);
        EXPECT_TRUE(socket_.waitForConnected(5000));
    }
    void send(wire::Kind kind, std::uint32_t sequence, const QByteArray &body = {})
    {
        QByteArray out;
        wire::appendFrame(out, kind, wire::Status::Failed, sequence, body.constData(), std::size_t(body.size()));
        raw(out);
    }
    void raw(const QByteArray &bytes)
    {
        socket_.write(bytes);
        socket_.flush();
    }
    bool logIn(const char *password = "12345")
    {
        send(wire::Kind::Login, 1, QByteArray("admin", 6) + QByteArray(password, qsizetype(std::strlen(password) + 1)));
        const auto answer = frame();
        return answer && answer->header.kind == wire::Kind::LoginAnswer && answer->header.status == wire::Status::Ok;
    }
    // The next whole frame, or nothing when none came within `ms`.
    std::optional<Frame> frame(int ms = 3000)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            Frame f;
            inbox_ += socket_.readAll();
            if (wire::parseHeader(inbox_.constData(), std::size_t(inbox_.size()), f.header) == wire::Parse::Frame) {
                f.body = inbox_.mid(qsizetype(wire::HeaderSize), qsizetype(f.header.length));
                inbox_.remove(0, qsizetype(wire::HeaderSize + f.header.length));
                return f;
            }
            if (deadline.hasExpired() || !socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
                if (socket_.bytesAvailable() == 0)
                    return std::nullopt;
        }
    }
    // Everything that arrives within `ms`, or until the server closes.
    QByteArray drain(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (!deadline.hasExpired() && socket_.state() == QAbstractSocket::ConnectedState)
            socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        inbox_ += socket_.readAll();
        return std::exchange(inbox_, {});
    }
    bool closedWithin(int ms)
    {
        QDeadlineTimer deadline(ms);
        while (socket_.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired())
            socket_.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
        return socket_.state() != QAbstractSocket::ConnectedState;
    }
    void abort() { socket_.abort(); }

private:
    QTcpSocket socket_;
    QByteArray inbox_;
};

QByteArray text(const std::string &s) { return QByteArray::fromStdString(s); }

class DvrSimulator : public ::testing::Test {
protected:
    void start(QStringList more = {})
    {
        ASSERT_TRUE(server.start(QStringList{QStringLiteral("--device"), QString::fromLatin1(Profile)} + more));
    }
    std::unique_ptr<RawClient> loggedIn()
    {
        auto client = std::make_unique<RawClient>(server.port());
        EXPECT_TRUE(client->logIn());
        return client;
    }
    // One command's answer frame from a fresh log-in.
    std::optional<Frame> ask(RawClient &client, const std::string &request, std::uint32_t sequence = 7)
    {
        client.send(wire::Kind::Command, sequence, text(request));
        return client.frame();
    }

    SimServerProcess server;
};

TEST_F(DvrSimulator, LogInNeedsTheRightPasswordBeforeAnyCommand)
{
    start();
    RawClient wrong(server.port());
    wrong.send(wire::Kind::Login, 1, QByteArray("admin\0nope\0", 11));
    auto answer = wrong.frame();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.kind, wire::Kind::LoginAnswer);
    EXPECT_EQ(answer->header.status, wire::Status::Failed);
    EXPECT_TRUE(wrong.closedWithin(3000));

    RawClient early(server.port());
    early.send(wire::Kind::Command, 1, text(format_get_request(cmd::DeviceInfo, 0)));
    EXPECT_TRUE(early.closedWithin(3000));
    EXPECT_TRUE(early.drain(0).isEmpty()) << "no answer before a log-in";

    auto client = loggedIn();
    EXPECT_EQ(server.control("connections 0"), "ok 1");
}

TEST_F(DvrSimulator, AnswersAsTheEmbeddedRecorderDoes)
{
    start();
    dvrsim::Profile profile;
    int rebootMs = 0;
    ASSERT_TRUE(dvrsim::parseProfile(Profile, profile, rebootMs));
    dvrsim::Device embedded(profile);
    auto client = loggedIn();
    std::uint32_t sequence = 10;
    for (const std::string &request :
         {format_get_request(cmd::DeviceInfo, 0), format_get_request(cmd::ChannelPicture, 2), format_ptz_request(),
          format_get_scale_request(), format_get_request(cmd::AlarmIn, 1), format_get_request(cmd::ChannelPicture, 9),
          std::string("<not xml")}) {
        SCOPED_TRACE(request);
        std::string expected;
        ASSERT_TRUE(embedded.handle(request, expected));
        auto answer = ask(*client, request, ++sequence);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->header.kind, wire::Kind::CommandAnswer);
        EXPECT_EQ(answer->header.sequence, sequence);
        EXPECT_EQ(answer->header.status, wire::Status::Ok);
        EXPECT_EQ(answer->body.toStdString(), expected);
    }
}

TEST_F(DvrSimulator, APipelinedBurstIsAnsweredInOrder)
{
    start();
    auto client = loggedIn();
    QByteArray burst;
    for (std::uint32_t i = 0; i < 100; ++i) {
        const std::string request = format_get_request(cmd::ChannelPicture, 1 + int(i % 4));
        wire::appendFrame(burst, wire::Kind::Command, wire::Status::Failed, 1000 + i, request.data(), request.size());
    }
    client->raw(burst);
    for (std::uint32_t i = 0; i < 100; ++i) {
        auto answer = client->frame();
        ASSERT_TRUE(answer) << i;
        EXPECT_EQ(answer->header.sequence, 1000 + i);
        EXPECT_TRUE(answer->body.contains("<channel>") || answer->body.contains("out_buffer"));
    }
    std::vector<std::string> log;
    EXPECT_EQ(server.control("log 0", &log), "ok 100");
    EXPECT_EQ(log.at(5), "get_dvr_config 1002 2");
}

TEST_F(DvrSimulator, BadClientsAreDroppedAndOthersStillServed)
{
    start();
    auto steady = loggedIn();

    RawClient garbage(server.port());
    garbage.raw(QByteArray("GET / HTTP/1.0\r\n\r\n"));
    EXPECT_TRUE(garbage.closedWithin(3000));

    RawClient oversize(server.port());
    QByteArray header;
    wire::appendFrame(header, wire::Kind::Login, wire::Status::Failed, 1, nullptr, 0);
    wire::putU32(header.data() + 8, wire::MaxBody + 1);
    oversize.raw(header);
    EXPECT_TRUE(oversize.closedWithin(3000));

    RawClient unknown(server.port());
    unknown.send(wire::Kind(0x44), 1);
    EXPECT_TRUE(unknown.closedWithin(3000));

    {
        RawClient halfway(server.port());
        ASSERT_TRUE(halfway.logIn());
        QByteArray frame;
        const std::string request = format_get_request(cmd::DeviceInfo, 0);
        wire::appendFrame(frame, wire::Kind::Command, wire::Status::Failed, 2, request.data(), request.size());
        halfway.raw(frame.left(frame.size() / 2));
        halfway.abort();
    }

    auto answer = ask(*steady, format_get_request(cmd::DeviceInfo, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.status, wire::Status::Ok);
    auto late = loggedIn();
    EXPECT_TRUE(ask(*late, format_get_scale_request()));
    EXPECT_EQ(server.control("connections 0"), "ok 2");
}

TEST_F(DvrSimulator, WireFaultsLookAsTheyShould)
{
    start({QStringLiteral("--reboot-ms"), QStringLiteral("300")});
    const std::string request = format_get_request(cmd::DeviceInfo, 0);

    auto client = loggedIn();
    ASSERT_EQ(server.control("fault 0 close"), "ok");
    client->send(wire::Kind::Command, 1, text(request));
    EXPECT_TRUE(client->closedWithin(3000));
    EXPECT_TRUE(client->drain(0).isEmpty());

    client = loggedIn();
    ASSERT_EQ(server.control("fault 0 silent 2"), "ok");
    EXPECT_TRUE(ask(*client, request)) << "the first command is still answered";
    client->send(wire::Kind::Command, 2, text(request));
    client->send(wire::Kind::Command, 3, text(request));
    EXPECT_FALSE(client->frame(400));
    EXPECT_FALSE(client->closedWithin(0));

    client = loggedIn();
    ASSERT_EQ(server.control("fault 0 slow 1 300"), "ok");
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(ask(*client, request));
    EXPECT_GE(clock.elapsed(), 280);

    ASSERT_EQ(server.control("fault 0 oversize_frame"), "ok");
    client->send(wire::Kind::Command, 4, text(request));
    QByteArray bytes = client->drain(300);
    wire::Header header;
    ASSERT_GE(bytes.size(), qsizetype(wire::HeaderSize));
    EXPECT_EQ(wire::parseHeader(bytes.constData(), std::size_t(bytes.size()), header), wire::Parse::Bad);
    EXPECT_EQ(wire::getU32(bytes.constData() + 8), wire::MaxBody + 1);

    client = loggedIn();
    ASSERT_EQ(server.control("fault 0 short_frame"), "ok");
    client->send(wire::Kind::Command, 5, text(request));
    EXPECT_TRUE(client->closedWithin(3000));
    bytes = client->drain(0);
    ASSERT_GT(bytes.size(), qsizetype(wire::HeaderSize));
    EXPECT_EQ(wire::parseHeader(bytes.constData(), std::size_t(bytes.size()), header), wire::Parse::Incomplete);

    client = loggedIn();
    ASSERT_EQ(server.control("fault 0 garbage"), "ok");
    client->send(wire::Kind::Command, 6, text(request));
    bytes = client->drain(300);
    EXPECT_EQ(bytes.size(), 64);
    EXPECT_NE(bytes.left(2), QByteArray("QP"));

    client = loggedIn();
    ASSERT_EQ(server.control("fault 0 reboot"), "ok");
    client->send(wire::Kind::Command, 7, text(request));
    EXPECT_TRUE(client->closedWithin(3000));
    EXPECT_EQ(server.control("online 0"), "ok 0");
}

TEST_F(DvrSimulator, RebootDropsClientsRefusesLogInsThenComesBack)
{
    start({QStringLiteral("--reboot-ms"), QStringLiteral("400")});
    auto client = loggedIn();
    auto other = loggedIn();
    client->send(wire::Kind::Reboot, 9);
    auto answer = client->frame();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.kind, wire::Kind::RebootAnswer);
    EXPECT_EQ(answer->header.status, wire::Status::Ok);
    EXPECT_TRUE(client->closedWithin(3000));
    EXPECT_TRUE(other->closedWithin(3000));
    EXPECT_EQ(server.control("reboot 0"), "error offline");

    RawClient during(server.port());
    during.send(wire::Kind::Login, 1, QByteArray("admin\0" "12345\0", 12));
    answer = during.frame();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.status, wire::Status::Offline);

    QElapsedTimer clock;
    clock.start();
    while (server.control("online 0") != "ok 1" && clock.elapsed() < 5000)
        RawClient(server.port()).drain(50);
    auto after = loggedIn();
    EXPECT_TRUE(ask(*after, format_get_scale_request()));
}

TEST_F(DvrSimulator, ControlInterfaceRefusesBadRequestsAndKeepsServing)
{
    start();
    for (const char *request : {"", "bogus", "fault", "fault 9 close", "fault x close", "fault 0 melt",
                                "fault 0 close -1", "fault 0 slow 1", "record 0 9999 0", "record 0", "log",
                                "latency -5", "online 0 extra"}) {
        const std::string reply = server.control(request);
        EXPECT_EQ(reply.rfind("error", 0), 0u) << '"' << request << "\" gave \"" << reply << '"';
    }
    EXPECT_EQ(server.control(std::string(5000, 'x')).rfind("error", 0), 0u);
    EXPECT_EQ(server.control("scale 0"), "ok 1");
    EXPECT_EQ(server.control("latency 5"), "ok");
    EXPECT_EQ(server.control("online 0"), "ok 1");
    EXPECT_EQ(server.control("record 0 100 0").substr(0, 3), "ok ");

    auto client = loggedIn();
    ASSERT_EQ(server.control("fault 0 result_fail"), "ok");
    auto answer = ask(*client, format_get_request(cmd::DeviceInfo, 0));
    ASSERT_TRUE(answer);
    EXPECT_TRUE(answer->body.contains("<result>fail</result>"));
    ASSERT_EQ(server.control("fault 0 close"), "ok");
    ASSERT_EQ(server.control("clear 0"), "ok");
    EXPECT_TRUE(ask(*client, format_get_request(cmd::DeviceInfo, 0))) << "cleared faults do not fire";
    std::vector<std::string> log;
    EXPECT_EQ(server.control("log 0", &log), "ok 2");
    EXPECT_EQ(server.control("clearlog 0"), "ok");
    EXPECT_EQ(server.control("log 0"), "ok 0");
    EXPECT_EQ(server.control("quit"), "ok");
    EXPECT_EQ(server.stop(), 0);
}

class StateFile : public DvrSimulator {
protected:
    void SetUp() override
    {
        // CTest runs tests side by side: one file per test.
        path = QString::fromStdString(testing::TempDir() + "/dvrsim-" +
                                      testing::UnitTest::GetInstance()->current_test_info()->name() + ".state");
        QFile::remove(path);
    }
    void TearDown() override { QFile::remove(path); }
    QStringList withState() const { return {QStringLiteral("--state"), path}; }
    QByteArray contents() const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString path;
};

TEST_F(StateFile, ASetSurvivesARestartAndSigtermWritesIt)
{
    start(withState());
    {
        auto client = loggedIn();
        auto answer = ask(*client, format_set_scale_request(0));
        ASSERT_TRUE(answer);
        ASSERT_TRUE(answer->body.contains("<result>ok</result>"));
    }
    ASSERT_EQ(server.stop(), 0);
    ASSERT_FALSE(contents().isEmpty());

    start(withState());
    EXPECT_EQ(server.control("scale 0"), "ok 0");
    EXPECT_EQ(server.stop(), 0);
}

TEST_F(StateFile, ACorruptOrForeignFileStopsTheServerAndStaysAsItWas)
{
    start(withState());
    ASSERT_EQ(server.stop(), 0);
    QByteArray good = contents();
    ASSERT_GT(good.size(), 64);

    QByteArray bad = good;
    bad[bad.size() / 2] = char(bad[bad.size() / 2] ^ 0x01);
    for (const QByteArray &image : {bad, good.left(good.size() / 2), QByteArray("not a state file")}) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(image);
        f.close();
        EXPECT_FALSE(server.start(QStringList{QStringLiteral("--device"), QString::fromLatin1(Profile)} + withState()));
        EXPECT_EQ(server.stop(), 2);
        EXPECT_EQ(contents(), image);
    }

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(good);
    f.close();
    EXPECT_FALSE(server.start(QStringList{QStringLiteral("--device"), QStringLiteral("channels=2")} + withState()))
        << "written for another recorder";
    EXPECT_EQ(server.stop(), 2);
    EXPECT_EQ(contents(), good);
}

} // namespace
