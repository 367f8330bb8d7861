// The dialog and the command layer against a dvr-simulator process over loopback TCP.
#include "command/Configfuc.h"
#include "command/commandtypes.h"
#include "command/gbktext.h"
#include "command/sdkapi.h"
#include "guihelpers.h"
#include "recordingnotifier.h"
#include "sdk/quellport.h"
#include "shell/frmdvrconfig.h"
#include "model/fullload.h"
#include "simfixture.h"
#include "simserver.h"
#include "sdk/wire.h"
#include "waitfor.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTcpServer>
#include <QLineEdit>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <functional>
#include <future>
#include <thread>

namespace {

const char *const Sixteen = "type=82&channels=16&alarmin=16&alarmout=4&disks=4";
const char *const Bounds = "?connect_ms=1000&answer_ms=400&batch_ms=3000";
// Slack for a loaded machine and the sanitizer build; a hang would take far longer.
constexpr qint64 Slack = 2000;

std::string hex(const void *data, std::size_t size)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < size; ++i) {
        const auto b = static_cast<const unsigned char *>(data)[i];
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::unique_ptr<DvrRecords> zeroedRecords()
{
    auto r = std::make_unique<DvrRecords>();
    std::memset(r.get(), 0, sizeof *r);
    return r;
}

class OverNetwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string missing;
        ASSERT_TRUE(sdk_load(&missing)) << missing;
        config_clear_queue();
    }
    void TearDown() override
    {
        dialog.reset();
        for (std::int32_t login : logins)
            SdkLogout(login);
        config_clear_queue();
    }

    void start(QStringList arguments = {QStringLiteral("--device"), QString::fromLatin1(Sixteen)})
    {
        ASSERT_TRUE(server.start(arguments));
    }
    std::int32_t logIn(const std::string &options = Bounds, const char *password = "12345")
    {
        const std::int32_t login = SdkLogin((server.address() + options).c_str(), "admin", password);
        if (login >= 0)
            logins.push_back(login);
        return login;
    }
    void openDialog(std::int32_t login)
    {
        dialog = std::make_unique<TfrmDvrConfig>("host text", login);
        dialog->show();
        dialog->tmrProgressTimer();
    }
    // One get through the single-command call; true when the recorder answered.
    static bool ping(std::int32_t login)
    {
        config_clear_queue();
        DeviceInfoRecord info;
        return config_get_record(login, cmd::DeviceInfo, 0, &info);
    }
    std::string recordOnServer(int type, int channel)
    {
        return server.control("record 0 " + std::to_string(type) + " " + std::to_string(channel));
    }

    SimServerProcess server;
    RecordingNotifier notes;
    std::vector<std::int32_t> logins;
    std::unique_ptr<TfrmDvrConfig> dialog;
};

TEST_F(OverNetwork, FullLoadGivesTheSameBytesAsTheEmbeddedRecorder)
{
    start();
    const std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    auto remote = zeroedRecords();
    ASSERT_EQ(model::fullLoad(*remote, login, nullptr, nullptr), model::LoadStop::None);

    SimulatedRecorder embedded(Sixteen);
    auto local = zeroedRecords();
    ASSERT_EQ(model::fullLoad(*local, embedded.login, nullptr, nullptr), model::LoadStop::None);
    EXPECT_EQ(std::memcmp(remote.get(), local.get(), sizeof *local), 0);

    std::vector<std::string> log;
    ASSERT_EQ(server.control("log 0", &log), "ok " + std::to_string(embedded.device->log().size()));
    EXPECT_EQ(log.size(), 3u + 106u);
}

TEST_F(OverNetwork, BatchProgressRisesToAHundredOnTheCallersThread)
{
    start();
    const std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    struct Seen {
        std::vector<int> values;
        bool otherThread = false;
        std::thread::id caller = std::this_thread::get_id();
    } seen;
    auto r = zeroedRecords();
    ASSERT_EQ(model::fullLoad(
                  *r, login,
                  [](std::int32_t value, void *context) {
                      auto *s = static_cast<Seen *>(context);
                      s->values.push_back(value);
                      s->otherThread |= std::this_thread::get_id() != s->caller;
                  },
                  &seen),
              model::LoadStop::None);
    ASSERT_FALSE(seen.values.empty());
    EXPECT_FALSE(seen.otherThread);
    EXPECT_TRUE(std::is_sorted(seen.values.begin(), seen.values.end()));
    EXPECT_EQ(seen.values.front(), 0);
    EXPECT_EQ(seen.values.back(), 100);
}

TEST_F(OverNetwork, DialogSavesAndRefreshesTheServerPageByteForByte)
{
    start();
    const std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    openDialog(login);
    ASSERT_TRUE(dialog->loaded());
    EXPECT_EQ(recordOnServer(cmd::DeviceInfo, 0), "ok " + hex(&dialog->records().deviceInfo, sizeof(DeviceInfoRecord)));

    auto *name = child<QLineEdit>(dialog.get(), QStringLiteral("edtName"));
    name->setText(QStringLiteral("东门录像机"));
    ASSERT_EQ(server.control("clearlog 0"), "ok");
    press(*dialog, "btnSaveConfig");
    ASSERT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")});
    const DvrRecords &r = dialog->records();
    EXPECT_EQ(gbk::toUtf8(gbk::readField(r.deviceInfo.deviceName)), "东门录像机");
    EXPECT_EQ(recordOnServer(cmd::DeviceInfo, 0), "ok " + hex(&r.deviceInfo, sizeof r.deviceInfo));
    EXPECT_EQ(recordOnServer(cmd::Network, 0), "ok " + hex(&r.network, sizeof r.network));

    // A refresh brings back what the recorder now holds, and the page shows it.
    const DeviceInfoRecord saved = r.deviceInfo;
    name->setText(QStringLiteral("not saved"));
    std::vector<std::string> log;
    ASSERT_EQ(server.control("clearlog 0"), "ok");
    press(*dialog, "btnRefresh");
    EXPECT_EQ(notes.messages.size(), 1);
    ASSERT_EQ(server.control("log 0", &log).rfind("ok ", 0), 0u);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front(), "get_dvr_config 100 0");
    EXPECT_EQ(std::memcmp(&r.deviceInfo, &saved, sizeof saved), 0);
    EXPECT_EQ(name->text(), QStringLiteral("东门录像机"));
}

TEST_F(OverNetwork, LogInIsRefusedForBadAddressesAWrongPasswordAndAClosedPort)
{
    start();
    for (const char *address : {"127.0.0.1", "127.0.0.1:", "127.0.0.1:0", "127.0.0.1:65536", "::1:80", "[::1:80",
                                "127.0.0.1:80?timeout=5", "127.0.0.1:80?answer_ms=0", ":80"})
        EXPECT_EQ(SdkLogin(address, "admin", "12345"), -1) << address;
    EXPECT_EQ(logIn(Bounds, "wrong"), -1);

    const std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    const std::string address = server.address();
    ASSERT_EQ(server.stop(), 0);
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(ping(login)) << "the server is gone";
    EXPECT_EQ(SdkLogin((address + Bounds).c_str(), "admin", "12345"), -1) << "connection refused";
    EXPECT_LT(clock.elapsed(), 2 * (1000 + 400) + Slack);
}

// Every way an answer can go wrong on the wire fails the batch within its bound, leaves the
// records as they were, and the next call connects again and succeeds.
TEST_F(OverNetwork, BrokenAnswersFailWithinTheBoundAndTheNextCallReconnects)
{
    start();
    const std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    for (const char *fault :
         {"close", "silent", "oversize_frame", "short_frame", "garbage", "slow 1500", "sdk_failure", "reboot"}) {
        SCOPED_TRACE(fault);
        auto r = zeroedRecords();
        fillPattern(r->network);
        const NetworkRecord before = r->network;
        // The fourth command is the first of the batch; the fiftieth lies in its middle.
        const std::string f = fault;
        const auto blank = f.find(' ');
        const std::string kind = f.substr(0, blank), extra = blank == std::string::npos ? "" : f.substr(blank);
        ASSERT_EQ(server.control("fault 0 " + kind + " 50" + extra), "ok");
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(model::fullLoad(*r, login, nullptr, nullptr), model::LoadStop::Batch);
        EXPECT_LT(clock.elapsed(), 1000 + 400 + 3000 + Slack);
        EXPECT_EQ(std::memcmp(&r->network, &before, sizeof before), 0);
        EXPECT_EQ(config_queue().count, 0);

        // A reboot fault leaves the recorder offline for a while; wait until it answers again.
        EXPECT_TRUE(waitFor([&] { return ping(login); }, 10000)) << "the recorder never answered again";
        auto again = zeroedRecords();
        EXPECT_EQ(model::fullLoad(*again, login, nullptr, nullptr), model::LoadStop::None);
    }
}

TEST_F(OverNetwork, ASlowAnswerWithinTheBoundStillArrives)
{
    start();
    const std::int32_t login = logIn("?answer_ms=3000");
    ASSERT_GE(login, 0);
    ASSERT_EQ(server.control("fault 0 slow 1 300"), "ok");
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(ping(login));
    EXPECT_GE(clock.elapsed(), 250);
}

TEST_F(OverNetwork, RebootTakesTheRecorderAwayAndTheSameHandleWorksAfterwards)
{
    start({QStringLiteral("--device"), QString::fromLatin1(Sixteen), QStringLiteral("--reboot-ms"),
           QStringLiteral("1000")});
    const std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    openDialog(login);
    ASSERT_TRUE(dialog->loaded());
    notes.answers = {true};
    QElapsedTimer clock;
    clock.start();
    press(*dialog, "btnReBoot");
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("正在重启,请稍候!")});
    EXPECT_EQ(server.control("online 0"), "ok 0");

    // While it reboots every call fails quickly: the recorder refuses the log-in.
    QElapsedTimer call;
    call.start();
    EXPECT_FALSE(ping(login));
    EXPECT_LT(call.elapsed(), 400 + Slack);

    ASSERT_TRUE(waitFor([&] { return ping(login); }, 10000)) << "the recorder never came back";
    EXPECT_GE(clock.elapsed(), 900) << "back before its reboot time was over";
    notes.messages.clear();
    press(*dialog, "btnRefresh");
    EXPECT_TRUE(notes.messages.isEmpty()) << notes.messages.join(QLatin1Char('\n')).toStdString();
}

TEST_F(OverNetwork, ARebootDuringASaveFailsTheSave)
{
    start({QStringLiteral("--device"), QString::fromLatin1(Sixteen), QStringLiteral("--reboot-ms"),
           QStringLiteral("500")});
    const std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    openDialog(login);
    ASSERT_TRUE(dialog->loaded());
    const std::string infoBefore = recordOnServer(cmd::DeviceInfo, 0);
    child<QLineEdit>(dialog.get(), QStringLiteral("edtName"))->setText(QStringLiteral("renamed"));
    // The server page saves the scale first, then the two records in one batch.
    ASSERT_EQ(server.control("fault 0 reboot 2"), "ok");
    press(*dialog, "btnSaveConfig");
    EXPECT_EQ(notes.messages, QStringList{QStringLiteral("保存失败")});
    EXPECT_EQ(config_queue().count, 0);
    EXPECT_EQ(recordOnServer(cmd::DeviceInfo, 0), infoBefore) << "the reboot came before the set";
}

TEST_F(OverNetwork, StateFileKeepsASavedNameAcrossAServerRestart)
{
    const QString state = QString::fromStdString(testing::TempDir()) + QStringLiteral("/dvrsim-network.state");
    QFile::remove(state);
    const QStringList arguments{QStringLiteral("--device"), QString::fromLatin1(Sixteen), QStringLiteral("--state"),
                                state};
    start(arguments);
    std::int32_t login = logIn();
    ASSERT_GE(login, 0);
    openDialog(login);
    child<QLineEdit>(dialog.get(), QStringLiteral("edtName"))->setText(QStringLiteral("kept"));
    press(*dialog, "btnSaveConfig");
    ASSERT_EQ(notes.messages, QStringList{QStringLiteral("保存成功")});
    dialog.reset();
    ASSERT_EQ(server.stop(), 0);

    start(arguments);
    login = logIn();
    ASSERT_GE(login, 0);
    auto r = zeroedRecords();
    ASSERT_EQ(model::fullLoad(*r, login, nullptr, nullptr), model::LoadStop::None);
    EXPECT_EQ(gbk::toUtf8(gbk::readField(r->deviceInfo.deviceName)), "kept");
    QFile::remove(state);
}

// How a scripted reply goes out: at once, or cut into `pieces` parts sent `pauseMs` apart.
struct ReplyPace {
    int pieces = 1;
    int pauseMs = 0;
};

// A recorder that answers the log-in, then answers one command with whatever frame it is given:
// the client must take only the answer it asked for.
class ScriptedRecorder {
public:
    explicit ScriptedRecorder(std::function<QByteArray(const wire::Header &request)> reply,
                              std::string options = Bounds, ReplyPace pace = {})
        : options_(std::move(options))
    {
        std::promise<std::uint16_t> port;
        auto bound = port.get_future();
        thread_ = std::thread([this, reply, pace, &port] { serve(reply, pace, port); });
        port_ = bound.get();
    }
    ~ScriptedRecorder() { thread_.join(); }
    std::string address() const { return "127.0.0.1:" + std::to_string(port_) + options_; }
    bool listening() const { return port_ != 0; }
    // Parts of the reply sent so far; fewer than asked for when the client hung up first.
    int piecesSent() const { return sent_; }

private:
    static bool readFrame(QTcpSocket &socket, QByteArray &inbox, wire::Header &header)
    {
        while (wire::parseHeader(inbox.constData(), std::size_t(inbox.size()), header) != wire::Parse::Frame) {
            if (!socket.waitForReadyRead(3000))
                return false;
            inbox += socket.readAll();
        }
        inbox.remove(0, qsizetype(wire::HeaderSize + header.length));
        return true;
    }
    // Everything network-side lives on this thread, which serves one client and ends.
    void serve(const std::function<QByteArray(const wire::Header &)> &reply, ReplyPace pace,
               std::promise<std::uint16_t> &port)
    {
        QTcpServer tcp;
        port.set_value(tcp.listen(QHostAddress::LocalHost) ? tcp.serverPort() : 0);
        if (!tcp.isListening() || !tcp.waitForNewConnection(5000))
            return;
        std::unique_ptr<QTcpSocket> socket(tcp.nextPendingConnection());
        QByteArray inbox;
        wire::Header header;
        if (!readFrame(*socket, inbox, header))
            return;
        QByteArray out;
        wire::appendFrame(out, wire::Kind::LoginAnswer, wire::Status::Ok, header.sequence, nullptr, 0);
        socket->write(out);
        if (!readFrame(*socket, inbox, header))
            return;
        const QByteArray answer = reply(header);
        const int pieces = int(std::max<qsizetype>(1, std::min<qsizetype>(pace.pieces, answer.size())));
        for (int i = 0; i < pieces; ++i) {
            // The pause doubles as the watch for a client that gave up.
            if (i > 0 &&
                (socket->state() != QAbstractSocket::ConnectedState || socket->waitForDisconnected(pace.pauseMs)))
                return;
            const qsizetype from = answer.size() * i / pieces, to = answer.size() * (i + 1) / pieces;
            ++sent_; // counted first: the client may have the last piece before this thread runs on
            socket->write(answer.mid(from, to - from));
            socket->flush();
        }
        if (socket->state() == QAbstractSocket::ConnectedState)
            socket->waitForDisconnected(3000);
    }

    const std::string options_;
    std::uint16_t port_ = 0;
    std::atomic<int> sent_{0};
    std::thread thread_;
};

const std::string ScaleAnswer = "<?xml version=\"1.0\"?><command name=\"config\"><function>get_scale_config</function>"
                                "<result>ok</result><scale>true</scale></command>";

QByteArray commandAnswer(wire::Kind kind, std::uint32_t sequence)
{
    QByteArray out;
    wire::appendFrame(out, kind, wire::Status::Ok, sequence, ScaleAnswer.data(), ScaleAnswer.size());
    return out;
}

TEST_F(OverNetwork, AnAnswerThatIsNotTheOneAskedForFailsTheCall)
{
    const std::function<QByteArray(const wire::Header &)> replies[] = {
        // an earlier request's answer
        [](const wire::Header &h) { return commandAnswer(wire::Kind::CommandAnswer, h.sequence - 1); },
        // the right sequence, the wrong kind
        [](const wire::Header &h) { return commandAnswer(wire::Kind::RebootAnswer, h.sequence); },
        // the control: this one is accepted
        [](const wire::Header &h) { return commandAnswer(wire::Kind::CommandAnswer, h.sequence); },
    };
    for (std::size_t i = 0; i < std::size(replies); ++i) {
        SCOPED_TRACE(i);
        ScriptedRecorder recorder(replies[i]);
        ASSERT_TRUE(recorder.listening());
        const std::int32_t login = SdkLogin(recorder.address().c_str(), "admin", "12345");
        ASSERT_GE(login, 0);
        logins.push_back(login);
        std::int32_t scale = 0;
        EXPECT_EQ(config_get_scale(login, &scale), i == 2);
        EXPECT_EQ(scale, i == 2 ? 1 : 0);
        SdkLogout(login);
        logins.pop_back();
    }
}

// The bound is on the whole answer, not on the silence between its pieces: an answer that keeps
// trickling in, each piece well inside the bound, fails once the bound is over. The call's own
// bound is made far longer here, so only the per-answer bound can end it early.
TEST_F(OverNetwork, AnAnswerTricklingInPastItsBoundFailsTheCall)
{
    const struct {
        const char *what;
        int answerMs;
        ReplyPace pace;
        bool answered;
    } cases[] = {
        // the control: the same kind of trickle, done inside the bound, is put back together
        {"done in 250 ms of 3000", 3000, {6, 50}, true},
        // 100 ms between pieces against a 400 ms bound, for about six seconds in all
        {"going on for 6 s past 400", 400, {60, 100}, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedRecorder recorder(
            [](const wire::Header &h) { return commandAnswer(wire::Kind::CommandAnswer, h.sequence); },
            "?connect_ms=20000&batch_ms=30000&answer_ms=" + std::to_string(c.answerMs), c.pace);
        ASSERT_TRUE(recorder.listening());
        const std::int32_t login = SdkLogin(recorder.address().c_str(), "admin", "12345");
        ASSERT_GE(login, 0);
        logins.push_back(login);
        std::int32_t scale = 0;
        QElapsedTimer clock;
        clock.start();
        EXPECT_EQ(config_get_scale(login, &scale), c.answered);
        const qint64 elapsed = clock.elapsed();
        EXPECT_EQ(scale, c.answered ? 1 : 0);
        if (c.answered) {
            EXPECT_EQ(recorder.piecesSent(), c.pace.pieces);
        } else {
            // Well before the trickle would have ended (and a call bound of 20 s).
            EXPECT_LT(elapsed, c.answerMs + Slack);
            EXPECT_GT(recorder.piecesSent(), 1) << "the answer did come in pieces";
            EXPECT_LT(recorder.piecesSent(), c.pace.pieces) << "the client hung up before the end";
        }
        SdkLogout(login);
        logins.pop_back();
    }
}

} // namespace
