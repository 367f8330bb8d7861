// dvrcfg: back up, show, compare, restore and roll out recorder configurations.
#include "tools/dvrcfg.h"

#include "command/sdkapi.h"
#include "sdk/quellport.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <algorithm>
#include <cstdio>
#include <cstring>
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
    const QCommandLineOption record{QStringLiteral("record"), QStringLiteral("show, diff: only records of this kind."),
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
using Option = const QCommandLineOption Options::*;

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
    const QString output = call.parser.value(call.options.output);
    dvrcfg::Snapshot s;
    std::string error;
    // Before the full load, which takes a while and asks the recorder for everything.
    if (!dvrcfg::checkWritable(output.toStdString(), error))
        return fail(error);
    if (!dvrcfg::loadAddress(rest[0], call.user, call.password, s, error))
        return fail(error);
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
    const std::int32_t login = dvrcfg::logIn(rest[1], call.user, call.password, error);
    if (login < 0)
        return fail(error + "; nothing sent");
    const auto report = dvrcfg::restore(backup, login,
                                        dvrcfg::RestoreOptions{selection, call.parser.isSet(call.options.dryRun),
                                                               call.parser.isSet(call.options.force),
                                                               dvrcfg::reopenerFor(rest[1], call.user, call.password)});
    SdkLogout(login);
    print(report.lines);
    if (!report.ok)
        std::fprintf(stderr, "dvrcfg: restore onto %s %s\n", rest[1].c_str(),
                     report.sent || report.differs ? "did not complete (see above)"
                                                   : "did not take place; nothing sent (see above)");
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
    const char *arguments; // as the usage line writes them
    const char *what;
    std::vector<std::pair<const char *, const char *>> argumentHelp;
    std::vector<Option> options; // those it takes; any other is refused
    int (*run)(const Call &);
};

const char *const AddressHelp = "sim://QUERY (an embedded simulated recorder) or HOST:PORT";

const SubCommand SubCommands[] = {
    {"backup",
     "ADDRESS -o FILE",
     "Loads the recorder's whole configuration, as the dialog does, and writes it as a JSON backup\n"
     "that is verified on reading. The file holds passwords in clear and is written readable by\n"
     "its owner only.",
     {{"ADDRESS", AddressHelp}},
     {&Options::output, &Options::user, &Options::password},
     runBackup},
    {"show",
     "FILE|ADDRESS",
     "Prints the fields of a backup or of a live recorder, one a line, with their list texts.",
     {{"FILE|ADDRESS", "a backup file, or a recorder: sim://QUERY or HOST:PORT"}},
     {&Options::record, &Options::channel, &Options::user, &Options::password},
     runShow},
    {"diff",
     "A B",
     "Prints the fields that differ between two backups or recorders, one a line.\n"
     "Exit status 0 when equal, 1 when different, 2 on error.",
     {{"A, B", "backup files or recorders"}},
     {&Options::record, &Options::channel, &Options::user, &Options::password},
     runDiff},
    {"restore",
     "FILE ADDRESS",
     "Sends a backup back onto the recorder it was taken from: shows the differences, sends the\n"
     "changed records in page order, reads everything back and says whether a restart is due.\n"
     "Another recorder (serial number, type, counts) is refused unless --force.",
     {{"FILE", "a backup written by dvrcfg backup"}, {"ADDRESS", AddressHelp}},
     {&Options::only, &Options::dryRun, &Options::force, &Options::user, &Options::password},
     runRestore},
    {"apply",
     "FILE ADDRESS...",
     "Merges a backup, as a template, into each recorder's own records and sends what differs;\n"
     "the fields that identify a recorder stay its own (see dvrcfg --help). Exit status 1 when\n"
     "any recorder failed.",
     {{"FILE", "a backup written by dvrcfg backup"}, {"ADDRESS...", AddressHelp}},
     {&Options::only, &Options::jobs, &Options::dryRun, &Options::includeNames, &Options::user, &Options::password},
     runApply},
};

const SubCommand *findCommand(const std::string &name)
{
    for (const SubCommand &c : SubCommands)
        if (name == c.name)
            return &c;
    return nullptr;
}

bool takes(const SubCommand &c, const Options &options, const QString &name)
{
    return std::any_of(c.options.begin(), c.options.end(),
                       [&](Option o) { return (options.*o).names().contains(name); });
}

// "-o, --output <FILE>", as Qt's help writes an option.
std::string optionSyntax(const QCommandLineOption &o)
{
    std::string text;
    for (const QString &n : o.names())
        text += (text.empty() ? "" : ", ") + std::string(n.size() == 1 ? "-" : "--") + n.toStdString();
    if (!o.valueName().isEmpty())
        text += " <" + o.valueName().toStdString() + ">";
    return text;
}

std::string commandHelp(const SubCommand &c, const Options &options)
{
    std::string text =
        std::string("Usage: dvrcfg ") + c.name + " " + c.arguments + " [options]\n\n" + c.what + "\n\nArguments:\n";
    for (const auto &[name, help] : c.argumentHelp)
        text += "  " + std::string(name) + std::string(std::size_t(std::max(2, 16 - int(std::strlen(name)))), ' ') +
                help + "\n";
    text += "\nOptions:\n";
    for (Option o : c.options) {
        const std::string syntax = optionSyntax(options.*o);
        std::string help = (options.*o).description().toStdString();
        if (const auto colon = help.find(": "); colon != std::string::npos && colon < 20)
            help.erase(0, colon + 2); // "restore, apply: " says which commands; here it is one
        text += "  " + syntax + std::string(std::size_t(std::max(2, 24 - int(syntax.size()))), ' ') + help + "\n";
    }
    return text;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dvrcfg"));
    QCoreApplication::setApplicationVersion(QStringLiteral(DVRCFG_VERSION));

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
    parser.addVersionOption();
    const Options options;
    parser.addOptions(options.all());
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("backup, show, diff, restore or apply; dvrcfg COMMAND --help "
                                                "says more about one."));

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText().toStdString() + "; see --help");
    if (parser.isSet(QStringLiteral("version"))) {
        std::printf("dvrcfg %s\n", DVRCFG_VERSION);
        return 0;
    }
    const QStringList args = parser.positionalArguments();
    if (parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        for (const SubCommand &c : SubCommands)
            std::printf("\n%s", commandHelp(c, options).c_str());
        return 0;
    }
    if (parser.isSet(QStringLiteral("help")) && args.isEmpty()) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (args.isEmpty())
        return fail("no command; see --help");
    const std::string command = args.first().toStdString();
    const SubCommand *sub = findCommand(command);
    if (!sub)
        return fail("unknown command \"" + command + "\"; see --help");
    if (parser.isSet(QStringLiteral("help"))) {
        std::fputs(commandHelp(*sub, options).c_str(), stdout);
        return 0;
    }
    for (const QString &name : parser.optionNames())
        if (!takes(*sub, options, name))
            return fail(std::string(name.size() == 1 ? "-" : "--") + name.toStdString() + " does not apply to " +
                        command + "; see dvrcfg " + command + " --help");
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
    return sub->run(call);
}
