// dvrcfg for a fleet: an inventory with each recorder's credentials, --json results checked
// against the recorders' logs, snapshots that undo a roll-out, a reboot only where it is asked.
#include "command/commandtypes.h"
#include "command/gbktext.h"
#include "dvrcfgfixture.h"
#include "simfixture.h"
#include "simserver.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTcpServer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#if defined(DVRCFG_PATH) && !defined(_WIN32)
namespace {

const char *const Profile = "type=82&channels=2&alarmin=1&alarmout=1&disks=2";

QString q(const std::string &s) { return QString::fromStdString(s); }

// A template that differs from a factory recorder in its alarm output's delay and its NTP server
// (whose record asks for a restart).
QString writeTemplate(const QTemporaryDir &dir)
{
    SimulatedRecorder sim(Profile);
    recordOf<AlarmOutRecord>(*sim.device, cmd::AlarmOut, 0).outputDelay = 7;
    gbk::writeField(recordOf<DnsNtpRecord>(*sim.device, cmd::DnsNtp, 0).ntpServer, u"ntp.fleet");
    const QString path = dir.filePath(QStringLiteral("tpl.json"));
    std::string error;
    EXPECT_TRUE(dvrcfg::writeFileAtomically(path.toStdString(), dvrcfg::toJson(backupOf(sim.login)), error)) << error;
    return path;
}

void writeFile(const QString &path, const std::string &text, QFileDevice::Permissions permissions)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(text.data(), qint64(text.size()));
    f.close();
    f.setPermissions(permissions);
}
constexpr auto Private = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
constexpr auto Readable = Private | QFileDevice::ReadGroup | QFileDevice::ReadOther;

// The --json output: every line an object; the last one the summary.
std::vector<QJsonObject> jsonOf(const Outcome &r)
{
    std::vector<QJsonObject> out;
    for (const QByteArray &line : QByteArray::fromStdString(r.out).split('\n')) {
        if (line.isEmpty())
            continue;
        const QJsonDocument d = QJsonDocument::fromJson(line);
        EXPECT_TRUE(d.isObject()) << line.toStdString();
        out.push_back(d.object());
    }
    EXPECT_FALSE(out.empty()) << r.err;
    if (!out.empty()) {
        EXPECT_EQ(out.back()["type"].toString(), QStringLiteral("summary")) << r.out;
    }
    return out;
}

std::map<std::string, QJsonObject> byName(const std::vector<QJsonObject> &lines)
{
    std::map<std::string, QJsonObject> out;
    for (const QJsonObject &o : lines)
        if (o["type"] == QStringLiteral("recorder"))
            out[o["name"].toString().toStdString()] = o;
    return out;
}

// What a recorder of the server was sent since its log was last cleared, by function.
std::map<std::string, int> logOf(SimServerProcess &server, int device)
{
    std::vector<std::string> lines;
    EXPECT_EQ(server.control("log " + std::to_string(device), &lines).rfind("ok ", 0), 0u);
    std::map<std::string, int> count;
    for (const std::string &l : lines)
        ++count[l.substr(0, l.find(' '))];
    return count;
}
int setsOf(SimServerProcess &server, int device)
{
    auto log = logOf(server, device);
    return log["set_dvr_config"] + log["set_scale_config"];
}

std::vector<std::string> strings(const QJsonValue &v)
{
    std::vector<std::string> out;
    for (const QJsonValue &x : v.toArray())
        out.push_back(x.toString().toStdString());
    return out;
}

std::uint16_t closedPort()
{
    QTcpServer probe;
    EXPECT_TRUE(probe.listen(QHostAddress::LocalHost));
    const std::uint16_t port = probe.serverPort();
    probe.close();
    return port;
}

// Three recorders of one inventory: a1 and a2 behind two servers with passwords of their own,
// one that does not answer. The secrets come from the environment and a private file, and
// never appear in the arguments.
TEST(Fleet, AnInventoryLogsInWithEachRecordersOwnCredentials)
{
    SimServerProcess alpha, beta;
    ASSERT_TRUE(alpha.start({"--device", Profile, "--password", "alpha-secret"}));
    // Another recorder (its serial number) behind the second server.
    ASSERT_TRUE(beta.start({"--device", QString(Profile) + "&id=5", "--password", "beta-secret"}));
    QTemporaryDir dir;
    const QString tpl = writeTemplate(dir), inventory = dir.filePath("fleet.ini"), secret = dir.filePath("b.secret");
    const std::string lines = "# two sites\n[site-a]\na1 address=" + alpha.address() +
                              " password_env=SITE_A_PASSWORD\na2 address=" + beta.address() +
                              " password_file=" + secret.toStdString() +
                              " tags=other\n[site-b]\ngone address=127.0.0.1:" + std::to_string(closedPort()) +
                              "?connect_ms=500\n[site-a:vars]\nuser=admin\n";
    struct Case {
        const char *what;
        std::string secretText;
        QFileDevice::Permissions secretMode;
        const char *environment; // SITE_A_PASSWORD, or none
        const char *limit;
        std::map<std::string, std::string> causes; // by name: "" succeeded, else the error's cause
    };
    const Case cases[] = {
        {"all three", "beta-secret\n", Private, "alpha-secret", nullptr, {{"a1", ""}, {"a2", ""}, {"gone", "login"}}},
        {"a secret file others may read",
         "beta-secret\n",
         Readable,
         "alpha-secret",
         "site-a",
         {{"a1", ""}, {"a2", "credentials"}}},
        {"the variable not set, a wrong password",
         "alpha-secret",
         Private,
         nullptr,
         "site-a",
         {{"a1", "credentials"}, {"a2", "login"}}},
        {"a limit with a wildcard and a group left out",
         "beta-secret",
         Private,
         "alpha-secret",
         "a*:!other",
         {{"a1", ""}}},
    };
    for (const Case &c : cases) {
        writeFile(inventory, lines, Readable);
        writeFile(secret, c.secretText, c.secretMode);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        if (c.environment)
            environment.insert("SITE_A_PASSWORD", c.environment);
        QStringList arguments{"apply", tpl, "--inventory", inventory, "--json", "--dry-run", "--jobs", "3"};
        if (c.limit)
            arguments << "--limit" << c.limit;
        EXPECT_FALSE(arguments.join(' ').contains("secret.") || arguments.join(' ').contains("-secret")) << c.what;
        const Outcome r = run(arguments, RLIM_INFINITY, environment);
        const auto lines = jsonOf(r);
        const auto recorders = byName(lines);
        ASSERT_EQ(recorders.size(), c.causes.size()) << c.what << "\n" << r.out << r.err;
        bool anyFailed = false;
        for (const auto &[name, cause] : c.causes) {
            const QJsonObject o = recorders.at(name);
            EXPECT_EQ(o["error"].toObject()["cause"].toString().toStdString(), cause) << c.what << ": " << name;
            EXPECT_EQ(o["outcome"].toString().toStdString(), cause.empty() ? "would apply" : "failed")
                << c.what << ": " << name;
            anyFailed = anyFailed || !cause.empty();
        }
        EXPECT_EQ(r.exit, anyFailed ? 1 : 0) << c.what;
        EXPECT_EQ(lines.back()["exitStatus"].toInt(), r.exit) << c.what;
        EXPECT_EQ(lines.back()["recorders"].toInt(), int(c.causes.size())) << c.what;
    }
    EXPECT_EQ(setsOf(alpha, 0) + setsOf(beta, 0), 0) << "a dry run sends no set command";

    // A password in the inventory itself only when no one else may read it.
    writeFile(inventory, "a1 address=" + alpha.address() + " password=alpha-secret\n", Readable);
    const Outcome open = run({"apply", tpl, "--inventory", inventory, "--json", "--dry-run"});
    EXPECT_EQ(open.exit, 2);
    EXPECT_NE(open.err.find("chmod 600"), std::string::npos) << open.err;
    EXPECT_EQ(jsonOf(open).back()["error"].toObject()["cause"].toString(), QStringLiteral("inventory"));
    writeFile(inventory, "a1 address=" + alpha.address() + " password=alpha-secret\n", Private);
    EXPECT_EQ(run({"show", "a1", "--inventory", inventory, "--record", "alarmout"}).exit, 0);
}

// Each command's --json says what the recorder's log shows it was sent.
TEST(Fleet, TheJsonOfEveryCommandAgreesWithTheRecordersLog)
{
    SimServerProcess server;
    ASSERT_TRUE(server.start({"--device", Profile}));
    QTemporaryDir dir;
    const QString tpl = writeTemplate(dir), before = dir.filePath("before.json"), a = q(server.address());

    auto backup = jsonOf(run({"backup", a, "-o", before, "--json"}));
    dvrcfg::Snapshot held;
    std::string error;
    ASSERT_TRUE(dvrcfg::readBackup(before.toStdString(), held, error)) << error;
    EXPECT_EQ(backup.front()["records"].toInt(), int(held.records.size()));
    EXPECT_EQ(backup.front()["identity"].toObject()["serialNumber"],
              dvrcfg::identityOf(*held.deviceInfo())["serialNumber"]);
    EXPECT_EQ(setsOf(server, 0), 0);

    const auto show = jsonOf(run({"show", before, "--json", "--record", "alarmout"}));
    EXPECT_EQ(show.front()["fields"].toArray().size(), qsizetype(dvrcfg::showLines(held, {{"alarmout"}, 0}).size()));
    EXPECT_EQ(jsonOf(run({"diff", before, a, "--json"})).front()["identical"], true);

    ASSERT_EQ(server.control("clearlog 0"), "ok");
    const Outcome applied = run({"apply", tpl, a, "--json"});
    const QJsonObject apply = jsonOf(applied).front();
    EXPECT_EQ(applied.exit, 0) << applied.out << applied.err;
    EXPECT_EQ(apply["outcome"], QStringLiteral("applied"));
    EXPECT_EQ(apply["sent"].toInt(), setsOf(server, 0));
    EXPECT_EQ(strings(apply["confirmed"]), strings(apply["changed"]));
    EXPECT_EQ(strings(apply["changed"]), (std::vector<std::string>{"dns/ntp", "alarm output 1"}));
    EXPECT_EQ(apply["restart"].toObject()["needed"], true);

    const Outcome differs = run({"diff", before, a, "--json"});
    EXPECT_EQ(differs.exit, 1);
    std::vector<std::string> fields;
    for (const QJsonValue &d : jsonOf(differs).front()["differences"].toArray())
        fields.push_back(d["kind"].toString().toStdString() + "." + d["field"].toString().toStdString());
    EXPECT_EQ(fields, (std::vector<std::string>{"dnsntp.ntpServer", "alarmout.outputDelay"}));

    ASSERT_EQ(server.control("clearlog 0"), "ok");
    const auto restore = jsonOf(run({"restore", before, a, "--json"}));
    EXPECT_EQ(restore.front()["outcome"], QStringLiteral("applied"));
    EXPECT_EQ(restore.front()["sent"].toInt(), setsOf(server, 0));
    EXPECT_EQ(strings(restore.front()["confirmed"]).size(), 2u);
    EXPECT_EQ(restore.back()["outcomes"].toObject()["applied"].toInt(), 1);
    EXPECT_EQ(jsonOf(run({"diff", before, a, "--json"})).back()["identical"], true);

    // An error before any recorder is reached is a summary with its cause.
    const auto bad = jsonOf(run({"apply", dir.filePath("none.json"), a, "--json"}));
    EXPECT_EQ(bad.back()["error"].toObject()["cause"].toString(), QStringLiteral("backup"));
}

struct ThreeRecorders {
    SimServerProcess server;
    QStringList addresses;
    explicit ThreeRecorders(QStringList extra = {})
    {
        QStringList arguments = extra;
        for (int i = 0; i < 3; ++i)
            arguments << "--device" << Profile;
        EXPECT_TRUE(server.start(arguments));
        for (int i = 0; i < 3; ++i)
            addresses << q(server.address(i));
    }
    dvrcfg::Snapshot load(int i)
    {
        dvrcfg::Snapshot s;
        std::string error;
        EXPECT_TRUE(dvrcfg::loadAddress(server.address(i), "admin", "12345", s, error)) << error;
        return s;
    }
};

bool sameRecords(const dvrcfg::Snapshot &a, const dvrcfg::Snapshot &b)
{
    return std::equal(a.records.begin(), a.records.end(), b.records.begin(), b.records.end(),
                      [](auto &x, auto &y) { return x.kind == y.kind && x.slot == y.slot && x.bytes == y.bytes; });
}

// The snapshots of a roll-out restore every recorder to what it held, byte for byte.
TEST(Fleet, ARollOutIsUndoneFromItsSnapshots)
{
    ThreeRecorders fleet;
    QTemporaryDir dir, snapshots;
    const QString tpl = writeTemplate(dir);
    std::vector<dvrcfg::Snapshot> before;
    for (int i = 0; i < 3; ++i)
        before.push_back(fleet.load(i));
    const Outcome rollOut =
        run(QStringList{"apply", tpl} + fleet.addresses + QStringList{"--json", "--backup-dir", snapshots.path()});
    ASSERT_EQ(rollOut.exit, 0) << rollOut.out << rollOut.err;
    for (const auto &[name, o] : byName(jsonOf(rollOut))) {
        const int i = int(fleet.addresses.indexOf(q(name)));
        ASSERT_GE(i, 0) << name;
        EXPECT_FALSE(sameRecords(before[std::size_t(i)], fleet.load(i))) << name;
        const QString snapshot = o["snapshot"].toString();
        ASSERT_TRUE(QFile::exists(snapshot)) << name;
        EXPECT_EQ(QFile(snapshot).permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther), 0) << name;
        const Outcome undo = run({"restore", snapshot, q(name)});
        EXPECT_EQ(undo.exit, 0) << undo.out << undo.err;
        EXPECT_TRUE(sameRecords(before[std::size_t(i)], fleet.load(i))) << name;
    }
    // A second roll-out into the same directory keeps the first one's snapshots.
    ASSERT_EQ(run(QStringList{"apply", tpl} + fleet.addresses + QStringList{"--backup-dir", snapshots.path()}).exit, 0);
    EXPECT_EQ(QDir(snapshots.path()).entryList(QDir::Files).size(), 6);
    // Without a directory to write to, nothing is changed.
    const Outcome nowhere = run({"restore", tpl, fleet.addresses[0], "--backup-dir", dir.filePath("missing")});
    EXPECT_EQ(nowhere.exit, 2);
    EXPECT_NE(nowhere.err.find("no such directory"), std::string::npos) << nowhere.err;
}

// Only the recorder whose change fired the restart rule is rebooted, and it is reported back.
TEST(Fleet, ARebootOnlyWhereTheRestartRuleFired)
{
    ThreeRecorders fleet({"--reboot-ms", "300"});
    QTemporaryDir dir;
    const QString tpl = writeTemplate(dir);
    // Recorders 0 and 2 hold the template's NTP server already: only their alarm output changes.
    ASSERT_EQ(run({"apply", tpl, fleet.addresses[0], fleet.addresses[2], "--only", "dnsntp"}).exit, 0);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(fleet.server.control("clearlog " + std::to_string(i)), "ok");
    const Outcome r = run(QStringList{"apply", tpl} + fleet.addresses + QStringList{"--json", "--reboot-if-needed"});
    EXPECT_EQ(r.exit, 0) << r.out << r.err;
    const auto recorders = byName(jsonOf(r));
    for (int i = 0; i < 3; ++i) {
        const QJsonObject o = recorders.at(fleet.addresses[i].toStdString());
        EXPECT_EQ(o["outcome"], QStringLiteral("applied")) << i;
        EXPECT_EQ(o["reboot"].toObject()["state"], i == 1 ? "back online" : "not asked") << i;
        EXPECT_EQ(logOf(fleet.server, i)["reboot"], i == 1 ? 1 : 0) << i;
    }
    EXPECT_GE(recorders.at(fleet.addresses[1].toStdString())["reboot"].toObject()["seconds"].toDouble(), 0.3);
    EXPECT_EQ(fleet.server.control("online 1"), "ok 1");
    EXPECT_EQ(jsonOf(r).back()["rebooted"].toInt(), 1);
}

} // namespace
#endif
