// dvrcfg: the program's options, help, errors, input bounds and backup files.
#include "dvrcfgfixture.h"
#include "simfixture.h"
#include "tools/dvrcfg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#endif

namespace {

const char *const Profile = "type=82&channels=4&alarmin=2&alarmout=1&disks=2";

dvrcfg::Snapshot backupOf(const std::string &profile = Profile)
{
    SimulatedRecorder sim(profile);
    dvrcfg::Snapshot s;
    std::string error;
    EXPECT_TRUE(dvrcfg::loadLogin(sim.login, s, error)) << error;
    return s;
}

// The offset of the first carried byte of a table, looking into its structures.
std::optional<std::size_t> carriedOffset(const fields::Table &table)
{
    for (const fields::Field &f : table.fields) {
        if (f.kind == fields::Kind::Carried && f.size > 0)
            return f.offset;
        if (f.kind == fields::Kind::Struct)
            if (const auto inner = carriedOffset(f.nested()))
                return f.offset + *inner;
    }
    return std::nullopt;
}

// The last record carries a byte no field names; edited by hand, with the JSON otherwise made
// again around it, only the hash can tell. A hash that leaves the last record out would let it in.
TEST(BackupFile, AHandEditedCarriedByteOfTheLastRecordIsRefused)
{
    const dvrcfg::Snapshot s = backupOf();
    const QByteArray good = dvrcfg::toJson(s);
    dvrcfg::Snapshot edited = s;
    dvrcfg::RecordImage &last = edited.records.back();
    const auto at = carriedOffset(last.kind->table());
    ASSERT_TRUE(at) << last.kind->name << " carries no byte";
    last.bytes[*at] ^= 0x5A;
    QByteArray bad = dvrcfg::toJson(edited);
    const QRegularExpression hash(QStringLiteral("\"sha256\": \"[0-9a-f]+\""));
    const QString goodHash = hash.match(QString::fromUtf8(good)).captured();
    ASSERT_FALSE(goodHash.isEmpty());
    bad = QString::fromUtf8(bad).replace(hash, goodHash).toUtf8();
    ASSERT_NE(bad, good);

    dvrcfg::Snapshot out;
    std::string error;
    EXPECT_FALSE(dvrcfg::fromJson(bad, out, error)) << "accepted";
    EXPECT_NE(error.find("SHA-256"), std::string::npos) << error;
}

#ifndef _WIN32
// A backup holds passwords in clear: only its owner may read it, also when it replaces a file
// others could read.
TEST(BackupFile, IsWrittenReadableByItsOwnerOnly)
{
    QTemporaryDir dir;
    const QString existing = dir.filePath(QStringLiteral("old.json"));
    QFile old(existing);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.close();
    ASSERT_TRUE(old.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                                   QFileDevice::ReadOther));
    const QByteArray json = dvrcfg::toJson(backupOf());
    const mode_t before = ::umask(022);
    for (const QString &path : {dir.filePath(QStringLiteral("new.json")), existing}) {
        std::string error;
        ASSERT_TRUE(dvrcfg::writeFileAtomically(path.toStdString(), json, error)) << error;
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << path.toStdString();
    }
    ::umask(before);
}
#endif

// The largest recorder's backup is well inside the bound on what is read.
TEST(BackupFile, TheLargestBackupIsWithinTheReadBound)
{
    const QByteArray json = dvrcfg::toJson(backupOf("type=82&channels=16&alarmin=16&alarmout=4&disks=16"));
    EXPECT_LT(json.size() * 4, dvrcfg::maxBackupSize());
    EXPECT_LT(dvrcfg::maxBackupSize(), qint64(512) * 1024 * 1024);
}

#if defined(DVRCFG_PATH) && !defined(_WIN32)
QString sim(const char *profile = Profile) { return QStringLiteral("sim://") + QString::fromLatin1(profile); }

// Anything no backup can be is refused before it is read: a device, a pipe, a directory, a file
// larger than the largest backup.
TEST(Program, AFileNoBackupCanBeIsRefusedUnread)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString huge = dir.filePath(QStringLiteral("huge.json"));
    QFile f(huge);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.resize(dvrcfg::maxBackupSize() + 1)); // sparse
    f.close();
    struct Case {
        QString file;
        const char *says;
    };
    const Case cases[] = {
        {QStringLiteral("/dev/zero"), "not a regular file"},
        {fifo, "not a regular file"},
        {dir.path(), "not a regular file"},
        {huge, "larger than any backup"},
    };
    for (const Case &c : cases)
        for (const QStringList &arguments :
             {QStringList{QStringLiteral("show"), c.file}, QStringList{QStringLiteral("diff"), c.file, sim()}}) {
            const Outcome r = run(arguments);
            EXPECT_EQ(r.exit, 2) << arguments.join(' ').toStdString();
            EXPECT_NE(r.err.find(c.says), std::string::npos) << arguments.join(' ').toStdString() << ": " << r.err;
        }
}

// Help, version and per-command help go to stdout; an option a command does not take is refused.
TEST(Program, HelpVersionAndOptionsACommandDoesNotTake)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.json"));
    struct Case {
        QStringList arguments;
        int exit;
        const char *out;           // in stdout (exit 0) or stderr
        const char *not_ = "\x01"; // not in stdout
    };
    const QString a = sim();
    const Case cases[] = {
        {{QStringLiteral("--version")}, 0, "dvrcfg 0."},
        {{QStringLiteral("--help-all")}, 0, "Usage: dvrcfg apply FILE [ADDRESS...]"},
        {{QStringLiteral("restore"), QStringLiteral("--help")}, 0, "Usage: dvrcfg restore FILE ADDRESS", "--jobs"},
        {{QStringLiteral("backup"), QStringLiteral("--help")}, 0, "-o, --output <FILE>", "--dry-run"},
        {{QStringLiteral("--help"), QStringLiteral("apply")}, 0, "--include-names", "--force"},
        {{QStringLiteral("backup"), a, QStringLiteral("-o"), file, QStringLiteral("--dry-run")},
         2,
         "--dry-run does not apply to backup"},
        {{QStringLiteral("show"), a, QStringLiteral("--only"), QStringLiteral("network")},
         2,
         "--only does not apply to show"},
        {{QStringLiteral("restore"), file, a, QStringLiteral("--jobs"), QStringLiteral("2")},
         2,
         "--jobs does not apply to restore"},
        {{QStringLiteral("diff"), a, a, QStringLiteral("-o"), file}, 2, "-o does not apply to diff"},
        {{QStringLiteral("nosuch"), QStringLiteral("--help")}, 2, "unknown command"},
    };
    for (const Case &c : cases) {
        const Outcome r = run(c.arguments);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(r.exit, c.exit) << what << ": " << r.err;
        EXPECT_NE((c.exit == 0 ? r.out : r.err).find(c.out), std::string::npos) << what << ": " << r.out << r.err;
        EXPECT_EQ(r.out.find(c.not_), std::string::npos) << what;
        if (c.exit != 0) {
            EXPECT_EQ(r.out, "") << what;
        }
    }
    EXPECT_FALSE(QFileInfo::exists(file));
}

// Each error says what is wrong, on stderr, with exit status 2 and nothing on stdout.
TEST(Program, ErrorsSayWhatIsWrong)
{
    QTemporaryDir dir;
    const QString array = dir.filePath(QStringLiteral("array.json"));
    QFile f(array);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("[1, 2]\n") > 0);
    f.close();
    const QString file = dir.filePath(QStringLiteral("b.json"));
    struct Case {
        QStringList arguments;
        const char *says;
        rlim_t fileSize = RLIM_INFINITY;
    };
    const Case cases[] = {
        {{QStringLiteral("show"), QStringLiteral("sim://type=x")}, "not a simulated recorder's profile"},
        {{QStringLiteral("show"), QStringLiteral("127.0.0.1:70000")}, "port is not a number from 1 to 65535"},
        {{QStringLiteral("show"), QStringLiteral("127.0.0.1:9000?wait=1")}, "\"wait=1\" is not connect_ms="},
        {{QStringLiteral("show"), QStringLiteral("no-such-recorder.invalid:9000")},
         "host \"no-such-recorder.invalid\" not found"},
        {{QStringLiteral("show"), QStringLiteral("127.0.0.1:1?connect_ms=2000")}, "refused or not answered"},
        {{QStringLiteral("restore"), file, QStringLiteral("sim://")}, "b.json: No such file"},
        {{QStringLiteral("show"), array}, "not a dvrcfg backup"},
        // The output is checked before the log-in and the full load.
        {{QStringLiteral("backup"), QStringLiteral("127.0.0.1:1"), QStringLiteral("-o"),
          dir.filePath(QStringLiteral("none/b.json"))},
         "does not exist"},
        {{QStringLiteral("backup"), sim(), QStringLiteral("-o"), file}, "File too large", 4096},
    };
    for (const Case &c : cases) {
        const Outcome r = run(c.arguments, c.fileSize);
        const std::string what = c.arguments.join(' ').toStdString();
        EXPECT_EQ(r.exit, 2) << what;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << what << ": " << r.err;
        EXPECT_EQ(r.out, "") << what;
    }
    EXPECT_FALSE(QFileInfo::exists(file)) << "a backup cut short took the name";
    // A restore refused by the recorder's identity says so on stderr too, below its report.
    const QString other = dir.filePath(QStringLiteral("other.json"));
    ASSERT_EQ(run({QStringLiteral("backup"), sim(), QStringLiteral("-o"), other}).exit, 0);
    const Outcome r = run({QStringLiteral("restore"), other, sim("type=82&channels=8")});
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("nothing sent"), std::string::npos) << r.err;
}

// A hand edit of the last record's carried byte is refused by show and diff alike.
TEST(Program, ShowAndDiffRefuseAnEditedLastRecord)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.json"));
    ASSERT_EQ(run({QStringLiteral("backup"), sim(), QStringLiteral("-o"), file}).exit, 0);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray json = f.readAll();
    f.close();
    dvrcfg::Snapshot s;
    std::string error;
    ASSERT_TRUE(dvrcfg::fromJson(json, s, error)) << error;
    const dvrcfg::RecordImage &last = s.records.back();
    const auto at = carriedOffset(last.kind->table());
    ASSERT_TRUE(at);
    // The last "hex" of the file is the last record's; one digit of the carried byte changes.
    const qsizetype hex = json.lastIndexOf("\"hex\": \"") + 8 + qsizetype(2 * *at);
    json[hex] = json[hex] == '0' ? '1' : '0';
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(json);
    f.close();
    for (const QStringList &arguments :
         {QStringList{QStringLiteral("show"), file}, QStringList{QStringLiteral("diff"), file, sim()}}) {
        const Outcome r = run(arguments);
        EXPECT_EQ(r.exit, 2) << arguments.join(' ').toStdString();
        EXPECT_NE(r.err.find("SHA-256"), std::string::npos) << r.err;
    }
}

// edit sets named fields of a copy and refuses anything it cannot set exactly, writing nothing.
TEST(Program, EditSetsNamedFieldsOrWritesNothing)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("b.json")), out = dir.filePath(QStringLiteral("t.json"));
    ASSERT_EQ(run({QStringLiteral("backup"), sim(), QStringLiteral("-o"), file}).exit, 0);
    const std::string long64(64, 'n');
    struct Case {
        std::string setting;
        const char *error; // nullptr: set
    };
    const Case cases[] = {
        {"alarmout.1.outputDelay=4294967295", nullptr},
        {"compression.4.mainStream.maxBitRate=20", nullptr},
        {std::string("dnsntp.ntpServer=") + long64, nullptr},
        {"overlay.1.entries[0].text=通道", nullptr},
        {"alarmout.1.outputDelay=4294967296", "from 0 to 4294967295"},
        {"alarmout.1.outputDelay=-1", "from 0 to 4294967295"},
        {"alarmout.1.outputDelay=1x", "a whole number"},
        {std::string("dnsntp.ntpServer=") + long64 + "4", "longer than the field's 64 bytes"},
        {"compression.5.mainStream.maxBitRate=20", "no compression record 5"},
        {"compression.0.mainStream.maxBitRate=20", "no compression record 0"},
        {"compression.mainStream.maxBitRate=20", "records are numbered"},
        {"alarmout.1.nosuch=1", "no field \"nosuch\""},
        {"device.deviceType=49", "not edited"},
        {"nosuch.a=1", "no such record kind"},
        {"alarmout.1.outputDelay", "not KIND.FIELD=VALUE"},
    };
    for (const Case &c : cases) {
        QFile::remove(out);
        const Outcome r =
            run({QStringLiteral("edit"), file, QStringLiteral("-o"), out, QString::fromStdString(c.setting)});
        EXPECT_EQ(r.exit, c.error ? 2 : 0) << c.setting << ": " << r.err;
        EXPECT_EQ(QFile::exists(out), !c.error) << c.setting;
        if (c.error) {
            EXPECT_NE(r.err.find(c.error), std::string::npos) << c.setting << ": " << r.err;
            continue;
        }
        // The one field differs, and shows as set.
        const Outcome diff = run({QStringLiteral("diff"), file, out});
        EXPECT_EQ(diff.exit, 1) << c.setting;
        EXPECT_EQ(std::count(diff.out.begin(), diff.out.end(), '\n'), 1) << diff.out;
        const std::string value = c.setting.substr(c.setting.find('=') + 1);
        EXPECT_NE(diff.out.find("-> " + (value[0] >= '0' && value[0] <= '9' ? value : "\"" + value + "\"")),
                  std::string::npos)
            << diff.out;
    }
}
#endif

} // namespace
