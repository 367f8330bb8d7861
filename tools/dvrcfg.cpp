// dvrcfg: back up, show, compare, restore and roll out recorder configurations.
#include "tools/dvrcfg.h"

#include "command/sdkapi.h"
#include "sdk/quellport.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <io.h>
#define isatty _isatty
#define STDERR_FILENO 2
#else
#include <unistd.h>
#endif

namespace {

constexpr int Usage = 2;

const char *const Summary = R"(Commands:
  backup ADDRESS -o FILE         full load of the recorder, written as a verified JSON backup
  show FILE|ADDRESS              the fields, readable (--record KIND, --channel N)
  diff A B                       field-level differences; exit 0 equal, 1 different, 2 error
  restore FILE ADDRESS           the backup back onto the same recorder (--only, --dry-run, --force)
  apply FILE ADDRESS...          the backup as a template onto other recorders (--only, --jobs,
                                 --dry-run, --include-names)
An ADDRESS is sim://QUERY (an embedded simulated recorder) or HOST:PORT.
Record kinds (--record, --only a,b,c):)";

void print(const std::vector<std::string> &lines, std::FILE *to = stdout)
{
    for (const auto &l : lines)
        std::fprintf(to, "%s\n", l.c_str());
}

int fail(const std::string &message)
{
    std::fprintf(stderr, "dvrcfg: %s\n", message.c_str());
    return Usage;
}

// A backup file, or a full load of a live recorder.
bool load(const std::string &what, const std::string &user, const std::string &password, dvrcfg::Snapshot &out,
          std::string &error)
{
    if (dvrcfg::looksLikeAddress(what))
        return dvrcfg::loadAddress(what, user, password, out, error);
    return dvrcfg::readBackup(what, out, error);
}

// The options, in the order --help lists them.
struct Options {
    const QCommandLineOption output{QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("backup: the file to write."), QStringLiteral("FILE")};
    const QCommandLineOption record{QStringLiteral("record"), QStringLiteral("show: only records of this kind."),
                                    QStringLiteral("KIND")};
    const QCommandLineOption channel{
        QStringLiteral("channel"),
        QStringLiteral("show, diff, restore, apply: only channel N's own records (no device-wide "
                       "or alarm records); N is the channel's position from 1, or "
                       "else its device channel number."),
        QStringLiteral("N")};
    const QCommandLineOption only{QStringLiteral("only"), QStringLiteral("restore, apply: only these record kinds."),
                                  QStringLiteral("KINDS")};
    const QCommandLineOption dryRun{QStringLiteral("dry-run"),
                                    QStringLiteral("restore, apply: show what would change, send nothing.")};
    const QCommandLineOption force{QStringLiteral("force"),
                                   QStringLiteral("restore: onto another recorder (the records that fit).")};
    const QCommandLineOption jobs{QStringLiteral("jobs"), QStringLiteral("apply: recorders at once (default 4)."),
                                  QStringLiteral("N"), QStringLiteral("4")};
    const QCommandLineOption includeNames{QStringLiteral("include-names"),
                                          QStringLiteral("apply: bring channel and alarm-input names along.")};
    const QCommandLineOption user{QStringLiteral("user"), QStringLiteral("User name (default admin)."),
                                  QStringLiteral("NAME"), QStringLiteral("admin")};
    const QCommandLineOption password{QStringLiteral("password"), QStringLiteral("Password (default 12345)."),
                                      QStringLiteral("WORD"), QStringLiteral("12345")};
    QList<QCommandLineOption> all() const
    {
        return {output, record, channel, only, dryRun, force, jobs, includeNames, user, password};
    }
};

// What a sub-command is given: the arguments after its name and the parsed options.
struct Call {
    const QCommandLineParser &parser;
    const Options &options;
    std::vector<std::string> rest;
    std::string user, password;
    dvrcfg::Selection selection;
};

int runBackup(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() != 1 || !call.parser.isSet(call.options.output))
        return fail("usage: dvrcfg backup ADDRESS -o FILE");
    dvrcfg::Snapshot s;
    std::string error;
    if (!dvrcfg::loadAddress(rest[0], call.user, call.password, s, error))
        return fail(error);
    const QString output = call.parser.value(call.options.output);
    if (!dvrcfg::writeFileAtomically(output.toStdString(), dvrcfg::toJson(s), error))
        return fail(error);
    std::printf("%zu records of %s written to %s\n", s.records.size(), rest[0].c_str(), qPrintable(output));
    return 0;
}

int runShow(const Call &call)
{
    if (call.rest.size() != 1)
        return fail("usage: dvrcfg show FILE|ADDRESS [--record KIND] [--channel N]");
    dvrcfg::Snapshot s;
    std::string error;
    dvrcfg::Selection selection = call.selection;
    if (!load(call.rest[0], call.user, call.password, s, error) ||
        !dvrcfg::resolveChannel(selection, *s.deviceInfo(), error))
        return fail(error);
    print(dvrcfg::showLines(s, selection));
    return 0;
}

int runDiff(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() != 2)
        return fail("usage: dvrcfg diff A B");
    dvrcfg::Snapshot a, b;
    std::string error;
    if (!load(rest[0], call.user, call.password, a, error) || !load(rest[1], call.user, call.password, b, error))
        return fail(error);
    // The channel is named as on the first; the second must have that position too.
    dvrcfg::Selection selection = call.selection, second;
    if (!dvrcfg::resolveChannel(selection, *a.deviceInfo(), error))
        return fail(error);
    second.number = selection.number;
    if (!dvrcfg::resolveChannel(second, *b.deviceInfo(), error) || second.number != selection.number)
        return fail(error.empty() ? "--channel: not the same channel on both" : error + " on the second");
    const auto lines = dvrcfg::diffLines(a, b, selection);
    print(lines);
    return lines.empty() ? 0 : 1;
}

int runRestore(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() != 2)
        return fail("usage: dvrcfg restore FILE ADDRESS [--only KINDS] [--dry-run] [--force]");
    dvrcfg::Snapshot backup;
    std::string error;
    if (!dvrcfg::readBackup(rest[0], backup, error))
        return fail(error + "; nothing sent");
    dvrcfg::Selection selection = call.selection;
    if (!dvrcfg::resolveChannel(selection, *backup.deviceInfo(), error))
        return fail(error + "; nothing sent");
    const std::int32_t login = SdkLogin(rest[1].c_str(), call.user.c_str(), call.password.c_str());
    if (login < 0)
        return fail("log-in to " + rest[1] + " failed");
    const auto report = dvrcfg::restore(backup, login,
                                        dvrcfg::RestoreOptions{selection, call.parser.isSet(call.options.dryRun),
                                                               call.parser.isSet(call.options.force),
                                                               dvrcfg::reopenerFor(rest[1], call.user, call.password)});
    SdkLogout(login);
    print(report.lines);
    return report.ok ? 0 : report.sent || report.differs ? 1 : Usage;
}

int runApply(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() < 2)
        return fail("usage: dvrcfg apply FILE ADDRESS... [--only KINDS] [--jobs N] [--dry-run] [--include-names]");
    dvrcfg::Snapshot tpl;
    std::string error;
    if (!dvrcfg::readBackup(rest[0], tpl, error))
        return fail(error + "; nothing sent");
    dvrcfg::ApplyOptions options;
    options.only = call.selection;
    if (!dvrcfg::resolveChannel(options.only, *tpl.deviceInfo(), error))
        return fail(error + "; nothing sent");
    options.dryRun = call.parser.isSet(call.options.dryRun);
    options.includeNames = call.parser.isSet(call.options.includeNames);
    bool ok = false;
    options.jobs = call.parser.value(call.options.jobs).toInt(&ok);
    if (!ok || options.jobs < 1 || options.jobs > 64)
        return fail("--jobs: a number from 1 to 64");
    options.user = call.user;
    options.password = call.password;
    const std::vector<std::string> targets(rest.begin() + 1, rest.end());
    const bool terminal = isatty(STDERR_FILENO) != 0;
    // Interrupted, the recorders in flight finish and are reported; none is started after.
    const dvrcfg::StopOnSignals stopOnSignals;
    options.stop = &stopOnSignals.requested();
    int failed = 0;
    const auto reports = dvrcfg::apply(tpl, targets, options, [&](const dvrcfg::TargetReport &r, int n, int total) {
        if (terminal)
            std::fprintf(stderr, "[%d/%d] %s: %s\n", n, total, r.address.c_str(), dvrcfg::outcomeText(r.outcome));
        // Each result as it comes, so a run killed later still leaves what it changed.
        print(dvrcfg::reportLines(r));
        std::fflush(stdout);
        failed += r.outcome == dvrcfg::TargetReport::Outcome::Failed;
    });
    const bool stopped = stopOnSignals.requested().load();
    std::printf("%zu recorder(s), %d failed%s\n", reports.size(), failed,
                stopped ? "; interrupted: the recorders not started were left as they are" : "");
    std::fflush(stdout);
    return failed || stopped ? 1 : 0;
}

struct SubCommand {
    const char *name;
    int (*run)(const Call &);
};
const SubCommand SubCommands[] = {
    {"backup", runBackup}, {"show", runShow}, {"diff", runDiff}, {"restore", runRestore}, {"apply", runApply},
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dvrcfg"));

    std::string kindsHelp;
    for (const auto &k : dvrcfg::recordKinds())
        kindsHelp += std::string(kindsHelp.empty() ? "  " : ", ") + k->name;
    std::string excludedHelp = "\napply leaves these fields of each target as they are:\n";
    for (const auto &line : dvrcfg::excludedFieldLines())
        excludedHelp += "  " + line + "\n";

    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromStdString(std::string("Back up, compare, restore and roll out "
                                                                        "recorder configurations.\n\n") +
                                                            Summary + "\n" + kindsHelp + "\n" + excludedHelp));
    parser.addHelpOption();
    const Options options;
    parser.addOptions(options.all());
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("backup, show, diff, restore or apply."));

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText().toStdString());
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty())
        return fail("no command; see --help");
    const std::string command = args.first().toStdString();
    std::vector<std::string> rest;
    for (qsizetype i = 1; i < args.size(); ++i)
        rest.push_back(args[i].toStdString());
    Call call{.parser = parser,
              .options = options,
              .rest = std::move(rest),
              .user = parser.value(options.user).toStdString(),
              .password = parser.value(options.password).toStdString(),
              .selection = {}};

    std::string error;
    if (parser.isSet(options.record) &&
        !dvrcfg::parseKinds(parser.value(options.record).toStdString(), call.selection.kinds, error))
        return fail(error);
    if (parser.isSet(options.only) &&
        !dvrcfg::parseKinds(parser.value(options.only).toStdString(), call.selection.kinds, error))
        return fail(error);
    if (parser.isSet(options.channel)) {
        bool ok = false;
        call.selection.number = parser.value(options.channel).toInt(&ok);
        // The recorder's own range is checked once it is known.
        if (!ok || call.selection.number < 1)
            return fail("--channel: a channel from 1");
    }

    SdkInit();
    std::string missing;
    if (!sdk_load(&missing))
        return fail("SDK operations not found: " + missing);

    for (const SubCommand &c : SubCommands)
        if (command == c.name)
            return c.run(call);
    return fail("unknown command \"" + command + "\"; see --help");
}
