// dvr-simulator as a process: the framed protocol seen from a raw client, its faults, reboot,
// the control interface, the state file and shutdown.
#include "command/commandtypes.h"
#include "sdk/wire.h"
#include "simserver.h"
#include "simulator/device.h"
#include "waitfor.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>

#include <gtest/gtest.h>

#include <csignal>
#include <cstddef>

#include <optional>
#include <string>
#include <vector>

namespace {

const char *const Profile = "type=82&channels=4&first=1&alarmin=4&alarmout=2&disks=2";
const char *const OtherProfile = "type=35&channels=2&first=0&alarmin=1&alarmout=1&disks=0";
constexpr qint64 Slack = 1500; // a loaded machine or the sanitizer build; a hang takes far longer

std::string getRequest(std::int32_t type, std::int32_t channel)
{
    return "<?xml version=\"1.0\"?>\n<command name=\"config\">\n\t<function>get_dvr_config</function>\n"
           "\t<command_type>" +
           std::to_string(type) + "</command_type>\n\t<channel>" + std::to_string(channel) + "</channel>\n</command>";
}

std::string setRequest(std::int32_t getType, std::int32_t channel, const QByteArray &bytes)
{
    return "<?xml version=\"1.0\"?>\n<command name=\"config\">\n\t<function>set_dvr_config</function>\n"
           "\t<command_type>" +
           std::to_string(cmd::set(getType)) + "</command_type>\n\t<channel>" + std::to_string(channel) +
           "</channel>\n\t<in_buffer>" + bytes.toHex().toStdString() + "</in_buffer>\n</command>";
}

std::string simpleRequest(const std::string &function, const std::string &extra = "")
{
    return "<?xml version=\"1.0\"?>\n<command name=\"config\">\n\t<function>" + function + "</function>\n" + extra +
           "</command>";
}

QByteArray recordBytes(dvrsim::Device &device, std::int32_t type, std::int32_t channel)
{
    std::size_t size = 0;
    const std::uint8_t *p = device.locate(type, channel, size);
    return p ? QByteArray(reinterpret_cast<const char *>(p), qsizetype(size)) : QByteArray();
}

// A record with every byte changed, so a set that stores nothing or the wrong bytes shows.
QByteArray edited(QByteArray bytes, int salt)
{
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = char(bytes[i] ^ char(i * 7 + salt * 13 + 1));
    return bytes;
}

struct Frame {
    wire::Header header;
    QByteArray body;
};

// A client speaking wire.h on a plain socket, so the tests see exactly the bytes the server sends.
class WireClient {
public:
    explicit WireClient(quint16 port)
    {
        socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        EXPECT_TRUE(socket.waitForConnected(5000));
    }

    void send(wire::Kind kind, std::uint32_t sequence, const std::string &body = {})
    {
        QByteArray out;
        wire::appendFrame(out, kind, wire::Status::Failed, sequence, body.data(), body.size());
        sendRaw(out);
    }
    void sendRaw(const QByteArray &bytes)
    {
        socket.write(bytes);
        socket.flush();
    }
    std::optional<wire::Status> login(const std::string &user = "admin", const std::string &password = "12345")
    {
        send(wire::Kind::Login, 1, user + '\0' + password + '\0');
        const std::optional<Frame> answer = read();
        if (!answer || answer->header.kind != wire::Kind::LoginAnswer || answer->header.sequence != 1)
            return std::nullopt;
        return answer->header.status;
    }
    // The next frame; none on a timeout, a close or bytes that are no frame (then `bad` is set).
    std::optional<Frame> read(int ms = 5000)
    {
        QDeadlineTimer deadline(ms);
        for (;;) {
            inbox += socket.readAll();
            Frame frame;
            switch (wire::parseHeader(inbox.constData(), std::size_t(inbox.size()), frame.header)) {
            case wire::Parse::Frame:
                frame.body = inbox.mid(qsizetype(wire::HeaderSize), qsizetype(frame.header.length));
                inbox.remove(0, qsizetype(wire::HeaderSize + frame.header.length));
                return frame;
            case wire::Parse::Bad: bad = true; return std::nullopt;
            case wire::Parse::Incomplete: break;
            }
            if (deadline.hasExpired() ||
                (!socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))) &&
                 socket.bytesAvailable() == 0))
                return std::nullopt;
        }
    }
    std::optional<Frame> command(std::uint32_t sequence, const std::string &request)
    {
        send(wire::Kind::Command, sequence, request);
        return read();
    }
    // True once the server has closed the connection; what came before is in `inbox`.
    bool closedWithin(int ms = 5000)
    {
        QDeadlineTimer deadline(ms);
        while (socket.state() != QAbstractSocket::UnconnectedState) {
            if (deadline.hasExpired())
                return false;
            socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
            inbox += socket.readAll();
        }
        inbox += socket.readAll();
        return true;
    }

    QTcpSocket socket;
    QByteArray inbox;
    bool bad = false;
};

// A start that is expected to fail: the exit code and what went to stderr.
std::pair<int, QString> runToExit(QStringList arguments)
{
    QProcess process;
    process.start(QStringLiteral(DVR_SIMULATOR_PATH), arguments << QStringLiteral("--port") << QStringLiteral("0"));
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
        return {-1, QStringLiteral("still running")};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromLocal8Bit(process.readAllStandardError())};
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

class SimServerTest : public ::testing::Test {
protected:
    void start(QStringList arguments = {})
    {
        if (!arguments.contains(QStringLiteral("--device")))
            arguments << QStringLiteral("--device") << QString::fromLatin1(Profile);
        ASSERT_TRUE(server.start(arguments));
    }
    // A client of device `device` that has logged in.
    std::unique_ptr<WireClient> client(int device = 0)
    {
        auto c = std::make_unique<WireClient>(server.port(device));
        EXPECT_EQ(c->login(), wire::Status::Ok);
        return c;
    }
    QString statePath(const char *name) const
    {
        const QString path = QDir(QString::fromStdString(testing::TempDir())).filePath(QString::fromLatin1(name));
        QFile::remove(path);
        return path;
    }

    SimServerProcess server;
    dvrsim::Device local{[] {
        dvrsim::Profile p;
        int reboot = 0;
        dvrsim::parseProfile(Profile, p, reboot);
        return p;
    }()};
};

TEST_F(SimServerTest, LoginAcceptsOnlyTheConfiguredCredentialsAndComesFirst)
{
    start({QStringLiteral("--user"), QStringLiteral("tester"), QStringLiteral("--password"), QStringLiteral("s3cret")});
    WireClient good(server.port());
    EXPECT_EQ(good.login("tester", "s3cret"), wire::Status::Ok);

    for (const auto &[user, password] : std::vector<std::pair<std::string, std::string>>{
             {"tester", "wrong"}, {"admin", "12345"}, {"tester", "s3cre"}, {"", ""}}) {
        WireClient c(server.port());
        EXPECT_EQ(c.login(user, password), wire::Status::Failed) << user << "/" << password;
        EXPECT_TRUE(c.closedWithin()) << user;
    }
    WireClient unterminated(server.port());
    unterminated.send(wire::Kind::Login, 1, std::string("tester\0s3cret", 13));
    const auto refused = unterminated.read();
    ASSERT_TRUE(refused);
    EXPECT_EQ(refused->header.status, wire::Status::Failed);
    EXPECT_TRUE(unterminated.closedWithin());

    for (wire::Kind first : {wire::Kind::Command, wire::Kind::Reboot}) {
        WireClient c(server.port());
        c.send(first, 5, getRequest(cmd::DeviceInfo, 0));
        EXPECT_TRUE(c.closedWithin());
        EXPECT_TRUE(c.inbox.isEmpty()) << "answered a request made before the log-in";
    }
    EXPECT_EQ(server.control("online 0"), "ok 1") << "a refused reboot must not reboot";
    EXPECT_EQ(server.control("connections 0"), "ok 1");
    const auto answer = good.command(2, getRequest(cmd::DeviceInfo, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.status, wire::Status::Ok);
}

TEST_F(SimServerTest, AnswersAreByteForByteThoseOfAnInProcessDevice)
{
    start();
    auto c = client();
    const std::vector<std::string> requests = {
        getRequest(cmd::DeviceInfo, 0),
        getRequest(cmd::ChannelPicture, 3),
        getRequest(cmd::AlarmOut, 1),
        getRequest(cmd::ChannelPicture, 9), // no such channel
        setRequest(cmd::Network, 0, edited(recordBytes(local, cmd::Network, 0), 1)),
        getRequest(cmd::Network, 0),
        setRequest(cmd::Nfs, 0, QByteArray(5, 'x')), // wrong size
        simpleRequest("get_scale_config"),
        simpleRequest("set_scale_config", "\t<scale>false</scale>\n"),
        simpleRequest("get_ptz_config"),
        simpleRequest("no_such_function"),
        "not xml at all",
    };
    std::uint32_t sequence = 10;
    for (const std::string &request : requests) {
        std::string expected;
        ASSERT_TRUE(local.handle(request, expected));
        const auto answer = c->command(++sequence, request);
        ASSERT_TRUE(answer) << request;
        EXPECT_EQ(answer->header.kind, wire::Kind::CommandAnswer);
        EXPECT_EQ(answer->header.sequence, sequence);
        EXPECT_EQ(answer->header.status, wire::Status::Ok);
        EXPECT_EQ(answer->body.toStdString(), expected) << request;
    }
}

TEST_F(SimServerTest, EveryDeviceFaultNameMeetsThatFault)
{
    start();
    auto c = client();
    const std::pair<const char *, dvrsim::Fault> faults[] = {
        {"sdk_failure", dvrsim::Fault::SdkFailure},         {"result_fail", dvrsim::Fault::ResultFail},
        {"wrong_type", dvrsim::Fault::WrongCommandType},    {"malformed_xml", dvrsim::Fault::MalformedXml},
        {"missing_payload", dvrsim::Fault::MissingPayload}, {"oversized_payload", dvrsim::Fault::OversizedPayload},
        {"no_terminator", dvrsim::Fault::NoTerminator},
    };
    const std::string request = getRequest(cmd::ChannelCompression, 2);
    std::uint32_t sequence = 1;
    for (const auto &[name, fault] : faults) {
        // The second command from now meets it, the first goes through untouched.
        ASSERT_EQ(server.control(std::string("fault 0 ") + name + " 2"), "ok");
        local.injectFault(fault, 2);
        for (int k = 0; k < 2; ++k) {
            std::string expected;
            const bool handled = local.handle(request, expected);
            const auto answer = c->command(++sequence, request);
            ASSERT_TRUE(answer) << name;
            EXPECT_EQ(answer->header.status, handled ? wire::Status::Ok : wire::Status::Failed) << name;
            EXPECT_EQ(answer->body.toStdString(), handled ? expected : "") << name;
        }
    }
}

TEST_F(SimServerTest, APipelinedBurstIsAnsweredInOrderAndStored)
{
    start();
    auto c = client();
    // About 1.6 MB of sets with a few gets among them, in one write.
    std::vector<std::string> requests;
    for (int i = 0; i < 106; ++i) {
        const int channel = 1 + i % 4;
        requests.push_back(i % 17 == 5 ? getRequest(cmd::ChannelPicture, channel)
                                       : setRequest(cmd::ChannelPicture, channel,
                                                    edited(recordBytes(local, cmd::ChannelPicture, channel), i)));
    }
    QByteArray batch;
    for (std::size_t i = 0; i < requests.size(); ++i)
        wire::appendFrame(batch, wire::Kind::Command, wire::Status::Failed, std::uint32_t(100 + i), requests[i].data(),
                          requests[i].size());
    ASSERT_GT(batch.size(), 1500000);
    c->sendRaw(batch);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        std::string expected;
        ASSERT_TRUE(local.handle(requests[i], expected));
        const auto answer = c->read();
        ASSERT_TRUE(answer) << i;
        ASSERT_EQ(answer->header.sequence, 100 + i);
        EXPECT_EQ(answer->body.toStdString(), expected) << i;
    }
    for (int channel = 1; channel <= 4; ++channel)
        EXPECT_EQ(server.control("record 0 1002 " + std::to_string(channel)),
                  "ok " + recordBytes(local, cmd::ChannelPicture, channel).toHex().toStdString());
}

TEST_F(SimServerTest, LatencyDelaysEveryAnswerWithoutAddingUpAcrossABatch)
{
    start({QStringLiteral("--latency-ms"), QStringLiteral("20")});
    QElapsedTimer clock;
    clock.start();
    auto c = client();
    EXPECT_GE(clock.elapsed(), 40) << "log-in answered before the latency there and back";

    QByteArray batch;
    const std::string request = getRequest(cmd::ChannelRecording, 2);
    for (std::uint32_t i = 0; i < 106; ++i)
        wire::appendFrame(batch, wire::Kind::Command, wire::Status::Failed, i, request.data(), request.size());
    clock.restart();
    c->sendRaw(batch);
    const auto first = c->read();
    ASSERT_TRUE(first);
    EXPECT_GE(clock.elapsed(), 40);
    for (std::uint32_t i = 1; i < 106; ++i) {
        const auto answer = c->read();
        ASSERT_TRUE(answer);
        ASSERT_EQ(answer->header.sequence, i);
    }
    EXPECT_LT(clock.elapsed(), 40 + Slack) << "the latency was added per request";

    ASSERT_EQ(server.control("latency 150"), "ok");
    clock.restart();
    ASSERT_TRUE(c->command(500, request));
    EXPECT_GE(clock.elapsed(), 300);
}

TEST_F(SimServerTest, BadClientsAreDroppedAndOthersAreStillServed)
{
    start();
    auto steady = client();

    WireClient garbage(server.port());
    garbage.sendRaw(QByteArray("GET / HTTP/1.0\r\n\r\n"));
    EXPECT_TRUE(garbage.closedWithin());

    for (const auto &[kind, length] : std::vector<std::pair<std::uint8_t, std::uint32_t>>{
             {std::uint8_t(wire::Kind::Login), wire::MaxBody + 1}, // oversized header
             {9, 0},                                               // unknown kind
             {std::uint8_t(wire::Kind::CommandAnswer), 0}}) {      // an answer sent to the server
        WireClient c(server.port());
        if (kind != std::uint8_t(wire::Kind::Login)) {
            ASSERT_EQ(c.login(), wire::Status::Ok);
        }
        QByteArray header(12, '\0');
        header[0] = 'Q';
        header[1] = 'P';
        header[2] = char(kind);
        wire::putU32(header.data() + 8, length);
        c.sendRaw(header);
        EXPECT_TRUE(c.closedWithin()) << int(kind);
    }

    // Gone in the middle of a body, and in the middle of a header.
    for (qsizetype cut : {qsizetype(wire::HeaderSize + 10), qsizetype(5)}) {
        auto c = client();
        QByteArray frame;
        const std::string request = getRequest(cmd::DeviceInfo, 0);
        wire::appendFrame(frame, wire::Kind::Command, wire::Status::Failed, 2, request.data(), request.size());
        c->sendRaw(frame.left(cut));
        c->socket.abort();
    }

    const auto answer = steady->command(7, getRequest(cmd::DeviceInfo, 0));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.sequence, 7u);
    EXPECT_TRUE(waitFor([&] { return server.control("connections 0") == "ok 1"; }));
    auto fresh = client();
    EXPECT_TRUE(fresh->command(2, getRequest(cmd::Network, 0)));
}

// Network faults count the commands of the whole device, whichever connection brings them.
TEST_F(SimServerTest, CloseAndRebootFaultsEndTheConnectionWithoutAnAnswer)
{
    start({QStringLiteral("--reboot-ms"), QStringLiteral("300")});
    auto other = client();
    auto c = client();
    ASSERT_EQ(server.control("fault 0 close 2"), "ok");
    ASSERT_TRUE(other->command(2, getRequest(cmd::DeviceInfo, 0)));
    c->send(wire::Kind::Command, 2, getRequest(cmd::DeviceInfo, 0));
    c->send(wire::Kind::Command, 3, getRequest(cmd::DeviceInfo, 0));
    EXPECT_TRUE(c->closedWithin());
    EXPECT_TRUE(c->inbox.isEmpty());
    std::vector<std::string> log;
    EXPECT_EQ(server.control("log 0", &log), "ok 2") << "the request after the fault was served";

    const std::string before = server.control("record 0 1000 0");
    ASSERT_EQ(server.control("fault 0 reboot 1"), "ok");
    other->send(wire::Kind::Command, 3, setRequest(cmd::Network, 0, edited(recordBytes(local, cmd::Network, 0), 3)));
    EXPECT_TRUE(other->closedWithin());
    EXPECT_TRUE(other->inbox.isEmpty());
    EXPECT_EQ(server.control("online 0"), "ok 0");
    EXPECT_EQ(server.control("record 0 1000 0"), before) << "the set reached the rebooting recorder";
}

TEST_F(SimServerTest, SilentAndSlowFaultsHoldAnswersBackInOrder)
{
    start();
    auto c = client();
    ASSERT_EQ(server.control("fault 0 slow 1 300"), "ok");
    QElapsedTimer clock;
    clock.start();
    for (std::uint32_t s = 2; s <= 4; ++s)
        c->send(wire::Kind::Command, s, getRequest(cmd::DeviceInfo, 0));
    for (std::uint32_t s = 2; s <= 4; ++s) {
        const auto answer = c->read();
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->header.sequence, s) << "an answer overtook the slow one";
        EXPECT_GE(clock.elapsed(), 300);
    }
    EXPECT_LT(clock.elapsed(), 300 + Slack);

    ASSERT_EQ(server.control("fault 0 silent 2"), "ok");
    for (std::uint32_t s = 5; s <= 7; ++s)
        c->send(wire::Kind::Command, s, getRequest(cmd::DeviceInfo, 0));
    const auto answered = c->read();
    ASSERT_TRUE(answered);
    EXPECT_EQ(answered->header.sequence, 5u);
    EXPECT_FALSE(c->read(400)) << "a silent connection answered";
    EXPECT_FALSE(c->bad);
    EXPECT_EQ(c->socket.state(), QAbstractSocket::ConnectedState);
    auto fresh = client();
    EXPECT_TRUE(fresh->command(2, getRequest(cmd::DeviceInfo, 0)));
}

TEST_F(SimServerTest, BrokenFramesLookBrokenOnTheWire)
{
    start();
    const std::string request = getRequest(cmd::ChannelPicture, 1);
    std::string expected;
    ASSERT_TRUE(local.handle(request, expected));

    {
        auto c = client();
        ASSERT_EQ(server.control("fault 0 oversize_frame"), "ok");
        EXPECT_FALSE(c->command(2, request));
        EXPECT_TRUE(c->bad);
        ASSERT_GE(c->inbox.size(), qsizetype(wire::HeaderSize));
        EXPECT_TRUE(c->inbox.startsWith("QP"));
        EXPECT_EQ(wire::getU32(c->inbox.constData() + 8), wire::MaxBody + 1);
    }
    {
        auto c = client();
        ASSERT_EQ(server.control("fault 0 short_frame"), "ok");
        c->send(wire::Kind::Command, 2, request);
        EXPECT_TRUE(c->closedWithin());
        ASSERT_GE(c->inbox.size(), qsizetype(wire::HeaderSize));
        EXPECT_EQ(wire::getU32(c->inbox.constData() + 8), expected.size());
        EXPECT_EQ(c->inbox.mid(qsizetype(wire::HeaderSize)).toStdString(), expected.substr(0, expected.size() / 2));
    }
    {
        auto c = client();
        ASSERT_EQ(server.control("fault 0 garbage"), "ok");
        c->send(wire::Kind::Command, 2, request);
        c->send(wire::Kind::Command, 3, request);
        ASSERT_TRUE(waitFor([&] { return (c->inbox += c->socket.readAll()).size() >= 64; }));
        wire::Header header;
        EXPECT_EQ(wire::parseHeader(c->inbox.constData(), 64, header), wire::Parse::Bad);
        c->inbox.remove(0, 64);
        const auto after = c->read();
        ASSERT_TRUE(after) << "the connection did not stay usable after the garbage";
        EXPECT_EQ(after->header.sequence, 3u);
        EXPECT_EQ(after->body.toStdString(), expected);
    }
    {
        auto c = client();
        ASSERT_EQ(server.control("fault 0 close"), "ok");
        ASSERT_EQ(server.control("fault 0 result_fail"), "ok");
        ASSERT_EQ(server.control("clear 0"), "ok");
        const auto answer = c->command(2, request);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->body.toStdString(), expected);
    }
}

TEST_F(SimServerTest, ARebootDropsThatDevicesClientsAndRefusesLogInsUntilItIsBack)
{
    start({QStringLiteral("--device"), QString::fromLatin1(Profile), QStringLiteral("--device"),
           QString::fromLatin1(OtherProfile), QStringLiteral("--reboot-ms"), QStringLiteral("300")});
    auto rebooting = client(0), bystander = client(0), elsewhere = client(1);
    QElapsedTimer clock;
    clock.start();
    rebooting->send(wire::Kind::Reboot, 9);
    const auto answer = rebooting->read();
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->header.kind, wire::Kind::RebootAnswer);
    EXPECT_EQ(answer->header.status, wire::Status::Ok);
    EXPECT_EQ(answer->header.sequence, 9u);
    EXPECT_TRUE(rebooting->closedWithin());
    EXPECT_TRUE(bystander->closedWithin());

    WireClient early(server.port(0));
    EXPECT_EQ(early.login(), wire::Status::Offline);
    EXPECT_TRUE(early.closedWithin());
    EXPECT_EQ(server.control("online 0"), "ok 0");
    EXPECT_EQ(server.control("reboot 0"), "error offline");
    EXPECT_EQ(server.control("connections 0"), "ok 0");
    EXPECT_TRUE(elsewhere->command(2, getRequest(cmd::DeviceInfo, 0))) << "another device was dropped too";

    ASSERT_TRUE(waitFor([&] { return server.control("online 0") == "ok 1"; }));
    EXPECT_GE(clock.elapsed(), 290);
    auto back = client(0);
    const auto after = back->command(2, getRequest(cmd::DeviceInfo, 0));
    ASSERT_TRUE(after);
    EXPECT_EQ(after->header.status, wire::Status::Ok);

    EXPECT_EQ(server.control("reboot 1"), "ok");
    EXPECT_TRUE(elsewhere->closedWithin());
}

TEST_F(SimServerTest, ControlReportsLogRecordsScaleAndConnections)
{
    start({QStringLiteral("--device"), QString::fromLatin1(Profile), QStringLiteral("--device"),
           QString::fromLatin1(OtherProfile)});
    auto a = client(), b = client();
    EXPECT_EQ(server.control("connections 0"), "ok 2");
    const QByteArray bytes = edited(recordBytes(local, cmd::AlarmIn, 3), 4);
    ASSERT_TRUE(a->command(2, setRequest(cmd::AlarmIn, 3, bytes)));
    ASSERT_TRUE(b->command(2, simpleRequest("set_scale_config", "\t<scale>false</scale>\n")));
    ASSERT_TRUE(b->command(3, "<command name=\"config\"><function>my function</function></command>"));

    std::vector<std::string> log;
    ASSERT_EQ(server.control("log 0", &log), "ok 3");
    EXPECT_EQ(log, (std::vector<std::string>{"set_dvr_config 1025 3", "set_scale_config 0 0", "my_function 0 0"}));
    EXPECT_EQ(server.control("record 0 1024 3"), "ok " + bytes.toHex().toStdString());
    EXPECT_EQ(server.control("scale 0"), "ok 0");
    EXPECT_EQ(server.control("scale 1"), "ok 1");
    EXPECT_EQ(server.control("record 0 1024 4"), "error no such record");
    EXPECT_EQ(server.control("record 0 222 0").rfind("ok ", 0), 0u);
    EXPECT_EQ(server.control("record 1 222 0"), "error no such record") << "device 1 is a camera without DNS/NTP";
    ASSERT_EQ(server.control("clearlog 0"), "ok");
    EXPECT_EQ(server.control("log 0", &log), "ok 0");

    b->socket.abort();
    EXPECT_TRUE(waitFor([&] { return server.control("connections 0") == "ok 1"; }));
    EXPECT_EQ(server.control("connections 1"), "ok 0");
}

TEST_F(SimServerTest, EachDeviceOfAServerHasItsOwnIdentity)
{
    const QString profile = QString::fromLatin1(Profile);
    start({QStringLiteral("--device"), profile, QStringLiteral("--device"), profile, QStringLiteral("--device"),
           profile + QStringLiteral("&id=7&ip=10.0.0.7")});
    const std::string info = " " + std::to_string(cmd::DeviceInfo) + " 0";
    const std::string network = " " + std::to_string(cmd::Network) + " 0";
    EXPECT_EQ(server.control("record 0" + info), "ok " + recordBytes(local, cmd::DeviceInfo, 0).toHex().toStdString())
        << "device 0 is the stock recorder";
    const auto field = [&](int device, const std::string &record, std::size_t offset, std::size_t width) {
        const std::string reply = server.control("record " + std::to_string(device) + record);
        const QByteArray bytes = QByteArray::fromHex(QByteArray::fromStdString(reply.substr(3)));
        const QByteArray text = bytes.mid(qsizetype(offset), qsizetype(width));
        return text.left(text.indexOf('\0')).toStdString();
    };
    const struct {
        int device;
        const char *serial;
        const char *ip;
    } cases[] = {
        {0, "NVR0816C2011052101234567", "192.168.1.64"},
        {1, "NVR0816C2011052101234568", "192.168.1.65"},
        {2, "NVR0816C2011052101234574", "10.0.0.7"}, // its profile's own index and address
    };
    for (const auto &c : cases) {
        EXPECT_EQ(
            field(c.device, info, offsetof(DeviceInfoRecord, serialNumber), sizeof DeviceInfoRecord::serialNumber),
            c.serial)
            << c.device;
        EXPECT_EQ(field(c.device, network, offsetof(NetworkRecord, deviceIp), sizeof NetworkRecord::deviceIp), c.ip)
            << c.device;
    }
}

TEST_F(SimServerTest, ControlAnswersBadInputWithAnErrorAndKeepsServing)
{
    start();
    const std::vector<std::string> bad = {
        "",
        "   ",
        "bogus",
        "bogus 0",
        "fault",
        "fault 0",
        "fault 1 close",
        "fault -1 close",
        "fault x close",
        "fault 0 nosuch",
        "fault 0 close 0",
        "fault 0 close x",
        "fault 0 close 1 5",
        "fault 0 slow 1",
        "fault 0 slow 1 x",
        "fault 0 result_fail 1 5",
        "log",
        "log 0 1",
        "record 0",
        "record 0 x 1",
        "record 0 99999999999 0",
        "online",
        "latency",
        "latency -5",
        "latency x",
        "quit now",
        std::string("\x01\x02\xff", 3),
        std::string(10000, 'a'),
    };
    for (const std::string &request : bad)
        EXPECT_EQ(server.control(request).rfind("error", 0), 0u) << request.substr(0, 40);

    EXPECT_EQ(server.control("online 0"), "ok 1");
    EXPECT_EQ(server.control("fault 0 slow 1 10"), "ok");
    auto c = client();
    EXPECT_TRUE(c->command(2, getRequest(cmd::DeviceInfo, 0)));
    EXPECT_TRUE(server.running());
}

TEST_F(SimServerTest, SeveralControlClientsEachGetTheirRepliesAndQuitEndsTheServer)
{
    start();
    QTcpSocket one, two;
    for (QTcpSocket *s : {&one, &two}) {
        s->connectToHost(QStringLiteral("127.0.0.1"), server.controlPort());
        ASSERT_TRUE(s->waitForConnected(5000));
    }
    const auto line = [](QTcpSocket &s) {
        while (!s.canReadLine())
            if (!s.waitForReadyRead(5000))
                return std::string("(no reply)");
        return s.readLine().trimmed().toStdString();
    };
    // Two requests in one write on one, a request cut across two writes on the other.
    one.write("online 0\nfault 0 close 3\n");
    one.flush();
    two.write("connec");
    two.flush();
    EXPECT_EQ(server.control("scale 0"), "ok 1");
    two.write("tions 0\r\nbogus\n");
    two.flush();
    EXPECT_EQ(line(one), "ok 1");
    EXPECT_EQ(line(one), "ok");
    EXPECT_EQ(line(two), "ok 0");
    EXPECT_EQ(line(two), "error unknown request bogus");

    one.write("quit\n");
    EXPECT_EQ(line(one), "ok");
    EXPECT_TRUE(waitFor([&] { return !server.running(); }, 10000));
    EXPECT_EQ(server.stop(), 0);
}

TEST_F(SimServerTest, StateSurvivesARebootAndARestart)
{
    const QString state = statePath("simserver-survives.state");
    const QStringList arguments{QStringLiteral("--state"), state, QStringLiteral("--reboot-ms"), QStringLiteral("300")};
    start(arguments);
    const QByteArray network = edited(recordBytes(local, cmd::Network, 0), 5);
    const QByteArray alarm = edited(recordBytes(local, cmd::AlarmOut, 1), 6);
    {
        auto c = client();
        ASSERT_TRUE(c->command(2, setRequest(cmd::Network, 0, network)));
        ASSERT_TRUE(c->command(3, setRequest(cmd::AlarmOut, 1, alarm)));
        ASSERT_TRUE(c->command(4, simpleRequest("set_scale_config", "\t<scale>false</scale>\n")));
    }
    // Written soon after the sets, not only at shutdown: keep that copy for the restart.
    ASSERT_TRUE(waitFor([&] { return QFile::exists(state); }));
    ASSERT_TRUE(waitFor([&] { return fileBytes(state).contains(alarm); }));
    ASSERT_EQ(server.control("reboot 0"), "ok");
    ASSERT_TRUE(waitFor([&] { return server.control("online 0") == "ok 1"; }));
    EXPECT_EQ(server.control("record 0 1000 0"), "ok " + network.toHex().toStdString());
    const QByteArray written = fileBytes(state);
    ASSERT_EQ(server.stop(), 0);
    writeFile(state, written);

    start(arguments);
    EXPECT_EQ(server.control("record 0 1000 0"), "ok " + network.toHex().toStdString());
    EXPECT_EQ(server.control("record 0 1026 1"), "ok " + alarm.toHex().toStdString());
    EXPECT_EQ(server.control("scale 0"), "ok 0");
    EXPECT_EQ(server.control("record 0 1026 0"), "ok " + recordBytes(local, cmd::AlarmOut, 0).toHex().toStdString());
    QFile::remove(state);
}

TEST_F(SimServerTest, ADamagedOrForeignStateFileIsRefusedAndLeftAlone)
{
    const QString state = statePath("simserver-refused.state");
    start({QStringLiteral("--state"), state});
    ASSERT_TRUE(client()->command(2, setRequest(cmd::Email, 0, edited(recordBytes(local, cmd::Email, 0), 7))));
    ASSERT_EQ(server.stop(), 0);
    const QByteArray good = fileBytes(state);
    ASSERT_GT(good.size(), 1000);

    QByteArray flipped = good;
    flipped[good.size() / 2] = char(flipped[good.size() / 2] ^ 0x10);
    const QString profile = QString::fromLatin1(Profile), other = QString::fromLatin1(OtherProfile);
    const struct {
        const char *name;
        QByteArray bytes;
        QStringList devices;
    } cases[] = {
        {"flipped byte", flipped, {profile}},
        {"truncated", good.left(good.size() - 40), {profile}},
        {"not ours", QByteArray("hello, world\n"), {profile}},
        {"empty", QByteArray(), {profile}},
        {"other profile", good, {other}},
        {"other device type, same records",
         good,
         {QString(profile).replace(QStringLiteral("type=82"), QStringLiteral("type=83"))}},
        {"more devices", good, {profile, profile}},
        {"other identity", good, {profile + QStringLiteral("&id=5")}},
        {"other serial", good, {profile + QStringLiteral("&serial=OTHER1")}},
    };
    for (const auto &c : cases) {
        writeFile(state, c.bytes);
        QStringList arguments{QStringLiteral("--state"), state};
        for (const QString &d : c.devices)
            arguments << QStringLiteral("--device") << d;
        const auto [code, error] = runToExit(arguments);
        EXPECT_EQ(code, 2) << c.name;
        EXPECT_TRUE(error.contains(state)) << c.name << ": " << error.toStdString();
        EXPECT_EQ(fileBytes(state), c.bytes) << c.name;
    }
    QFile::remove(state);
    QDir().mkpath(state);
    EXPECT_EQ(runToExit({QStringLiteral("--state"), state}).first, 2) << "a directory as the state file";
    QDir().rmdir(state);

    // The same good file is accepted, so the refusals above are about the damage.
    writeFile(state, good);
    start({QStringLiteral("--state"), state});
    EXPECT_EQ(server.control("record 0 250 0"),
              "ok " + edited(recordBytes(local, cmd::Email, 0), 7).toHex().toStdString());
    QFile::remove(state);
}

TEST_F(SimServerTest, AStateFileKeepsTheIdentityAndItsOverrides)
{
    const QString state = statePath("simserver-identity.state");
    const QString identity = QString::fromLatin1(Profile) + QStringLiteral("&id=9&serial=SN-9&ip=10.0.0.9&name=");
    const QStringList arguments{QStringLiteral("--state"), state, QStringLiteral("--device"),
                                identity + QStringLiteral("大门")};
    start(arguments);
    ASSERT_EQ(server.stop(), 0);
    const QByteArray written = fileBytes(state);
    start(arguments); // the file written is the one read back
    EXPECT_NE(server.control("record 0 " + std::to_string(cmd::DeviceInfo) + " 0").find("534e2d3900"),
              std::string::npos)
        << "the serial override";
    ASSERT_EQ(server.stop(), 0);

    writeFile(state, written);
    const auto [code, error] =
        runToExit({QStringLiteral("--state"), state, QStringLiteral("--device"), identity + QStringLiteral("后门")});
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(error.contains(QStringLiteral("another profile")) &&
                error.contains(QStringLiteral("&id=9&serial=SN-9")))
        << error.toStdString();
    EXPECT_EQ(fileBytes(state), written);
    QFile::remove(state);
}

TEST_F(SimServerTest, SigtermAndSigintWriteTheStateAndExitZero)
{
    const QString state = statePath("simserver-signal.state");
    start({QStringLiteral("--state"), state});
    EXPECT_FALSE(QFile::exists(state)) << "written before anything changed";
    EXPECT_EQ(server.stop(), 0);
    EXPECT_TRUE(QFile::exists(state));

    QFile::remove(state);
    QProcess process;
    process.start(QStringLiteral(DVR_SIMULATOR_PATH),
                  {QStringLiteral("--port"), QStringLiteral("0"), QStringLiteral("--state"), state});
    QByteArray banner;
    ASSERT_TRUE(waitFor(
        [&] {
            process.waitForReadyRead(10);
            return (banner += process.readAllStandardOutput()).contains("ready\n");
        },
        10000));
    ::kill(pid_t(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_TRUE(QFile::exists(state));
    QFile::remove(state);
}

TEST_F(SimServerTest, StartUpErrorsExitWithTwo)
{
    start();
    for (const QStringList &arguments :
         std::vector<QStringList>{{QStringLiteral("--device"), QStringLiteral("channels=999")},
                                  {QStringLiteral("--device"), QStringLiteral("colour=red")},
                                  {QStringLiteral("--listen"), QStringLiteral("not-an-address")},
                                  {QStringLiteral("--latency-ms"), QStringLiteral("soon")},
                                  {QStringLiteral("--no-such-option")},
                                  {QStringLiteral("--control-port"), QString::number(server.port())}}) {
        const auto [code, error] = runToExit(arguments);
        EXPECT_EQ(code, 2) << arguments.join(QLatin1Char(' ')).toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
    QProcess busy;
    busy.start(QStringLiteral(DVR_SIMULATOR_PATH), {QStringLiteral("--port"), QString::number(server.port())});
    ASSERT_TRUE(busy.waitForFinished(10000));
    EXPECT_EQ(busy.exitCode(), 2) << "a device port in use";
    EXPECT_TRUE(server.running());
}

} // namespace
