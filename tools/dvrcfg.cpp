// dvrcfg: back up, show, compare, restore and roll out recorder configurations.
#include "tools/dvrcfg.h"

#include "command/sdkapi.h"
#include "sdk/quellport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonObject>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
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
  edit FILE -o OUT SETTING...    a copy of a backup with fields set (KIND[.N].FIELD=VALUE)
  restore FILE ADDRESS           the backup back onto the same recorder (--only, --dry-run, --force)
  apply FILE [ADDRESS...]        the backup as a template onto other recorders (--only, --jobs,
                                 --dry-run, --include-names; --inventory and --limit for a fleet)
An ADDRESS is sim://QUERY (an embedded simulated recorder), HOST:PORT, or a recorder's name in
the --inventory file. The password comes from the inventory, --password-file FILE (readable by
its owner only) or --password (which shows in the process list), the environment variable
DVRCFG_PASSWORD, or else is 12345. --json prints one JSON object a line per recorder and a
summary (see the README).
Record kinds (--record, --only a,b,c):)";

void print(const std::vector<std::string> &lines, std::FILE *to = stdout)
{
    for (const auto &l : lines)
        std::fprintf(to, "%s\n", l.c_str());
}

// Set once the command line is read: with --json, stdout carries JSON lines only.
bool g_json = false;
const char *g_command = "";

int fail(const std::string &message, const std::string &cause = "usage")
{
    std::fprintf(stderr, "dvrcfg: %s\n", message.c_str());
    if (g_json) {
        QJsonObject o = dvrcfg::json::object("summary", g_command);
        o["ok"] = false;
        o["exitStatus"] = Usage;
        o["error"] = dvrcfg::json::error(cause, message);
        dvrcfg::json::print(o);
    }
    return Usage;
}

// The options, in the order --help lists them.
struct Options {
    const QCommandLineOption output{QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("backup, edit: the file to write."), QStringLiteral("FILE")};
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
    const QCommandLineOption jobs{QStringLiteral("jobs"),
                                  QStringLiteral("apply: recorders at once (1 to 256, default 4)."),
                                  QStringLiteral("N"), QStringLiteral("4")};
    const QCommandLineOption includeNames{QStringLiteral("include-names"),
                                          QStringLiteral("apply: bring channel and alarm-input names along.")};
    const QCommandLineOption backupDir{
        QStringLiteral("backup-dir"),
        QStringLiteral("restore, apply: write each recorder's backup into DIR before changing it, so "
                       "dvrcfg restore can undo the change."),
        QStringLiteral("DIR")};
    const QCommandLineOption rebootIfNeeded{
        QStringLiteral("reboot-if-needed"),
        QStringLiteral("restore, apply: reboot the recorders whose change asks for a restart, and wait until "
                       "they answer again.")};
    const QCommandLineOption rebootWait{QStringLiteral("reboot-wait"),
                                        QStringLiteral("restore, apply: how long a rebooted recorder may take to "
                                                       "answer again (default 180 s)."),
                                        QStringLiteral("SECONDS"), QStringLiteral("180")};
    const QCommandLineOption inventory{QStringLiteral("inventory"),
                                       QStringLiteral("The recorders by name, with their groups and credentials; "
                                                      "apply without ADDRESS takes them all (see the README)."),
                                       QStringLiteral("FILE")};
    const QCommandLineOption limit{QStringLiteral("limit"),
                                   QStringLiteral("apply: only the recorders whose name, address or group matches "
                                                  "(a,b: either; !a: not; &a: also; * and ? as wildcards)."),
                                   QStringLiteral("PATTERN")};
    const QCommandLineOption json{QStringLiteral("json"),
                                  QStringLiteral("One JSON object a line per recorder as it finishes, then a "
                                                 "summary; nothing else on stdout.")};
    const QCommandLineOption user{QStringLiteral("user"), QStringLiteral("User name (default admin)."),
                                  QStringLiteral("NAME"), QStringLiteral("admin")};
    const QCommandLineOption passwordFile{
        QStringLiteral("password-file"),
        QStringLiteral("The password, the first line of FILE (readable by its owner only)."), QStringLiteral("FILE")};
    const QCommandLineOption password{QStringLiteral("password"),
                                      QStringLiteral("Password (default $DVRCFG_PASSWORD, else 12345); shows in "
                                                     "the process list, --password-file does not."),
                                      QStringLiteral("WORD")};
    QList<QCommandLineOption> all() const
    {
        return {output,         record,     channel,   only,  dryRun, force, jobs,         includeNames, backupDir,
                rebootIfNeeded, rebootWait, inventory, limit, json,   user,  passwordFile, password};
    }
};
using Option = const QCommandLineOption Options::*;

// What a sub-command is given: the arguments after its name, the parsed options, the inventory.
struct Call {
    const QCommandLineParser &parser;
    const Options &options;
    std::vector<std::string> rest;
    dvrcfg::Credentials credentials; // of the command line, for recorders outside the inventory
    dvrcfg::Selection selection;
    std::vector<dvrcfg::Target> inventory;

    bool isSet(const QCommandLineOption &o) const { return parser.isSet(o); }
    // An argument as a recorder: its inventory entry by name (or address), else an address.
    dvrcfg::Target target(const std::string &argument) const
    {
        for (const dvrcfg::Target &t : inventory)
            if (t.name == argument)
                return t;
        for (const dvrcfg::Target &t : inventory)
            if (t.address == argument)
                return t;
        return dvrcfg::Target{argument, argument, {}, credentials};
    }
    bool isRecorder(const std::string &argument) const
    {
        return dvrcfg::looksLikeAddress(argument) ||
               std::any_of(inventory.begin(), inventory.end(), [&](auto &t) { return t.name == argument; });
    }
};

// A recorder's full load, its failure's cause in `cause`.
bool loadTarget(const dvrcfg::Target &t, dvrcfg::Snapshot &out, std::string &error, std::string &cause)
{
    if (!t.credentials.error.empty()) {
        error = t.name + ": " + t.credentials.error;
        cause = "credentials";
        return false;
    }
    return dvrcfg::loadAddress(t.address, t.credentials.user, t.credentials.password, out, error, &cause);
}

// A backup file, or a full load of a live recorder.
bool load(const Call &call, const std::string &what, dvrcfg::Snapshot &out, std::string &error, std::string &cause)
{
    if (call.isRecorder(what))
        return loadTarget(call.target(what), out, error, cause);
    cause = "backup";
    return dvrcfg::readBackup(what, out, error);
}

// One recorder's object with its error, then the summary; for a command that stops at it.
int failRecorder(const char *command, const std::string &who, const std::string &cause, const std::string &error)
{
    if (g_json) {
        QJsonObject o = dvrcfg::json::object("recorder", command);
        o["address"] = QString::fromStdString(who);
        o["ok"] = false;
        o["error"] = dvrcfg::json::error(cause, error);
        dvrcfg::json::print(o);
    }
    return fail(error, cause);
}

QJsonObject summaryOf(const char *command, int exitStatus)
{
    QJsonObject o = dvrcfg::json::object("summary", command);
    o["recorders"] = 1;
    o["ok"] = exitStatus == 0;
    o["exitStatus"] = exitStatus;
    return o;
}

int runBackup(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() != 1 || !call.isSet(call.options.output))
        return fail("usage: dvrcfg backup ADDRESS -o FILE");
    const QString output = call.parser.value(call.options.output);
    dvrcfg::Snapshot s;
    std::string error, cause;
    // Before the full load, which takes a while and asks the recorder for everything.
    if (!dvrcfg::checkWritable(output.toStdString(), error))
        return fail(error, "file");
    const dvrcfg::Target target = call.target(rest[0]);
    if (!loadTarget(target, s, error, cause))
        return failRecorder("backup", target.address, cause, error);
    if (!dvrcfg::writeFileAtomically(output.toStdString(), dvrcfg::toJson(s), error))
        return failRecorder("backup", target.address, "file", error);
    if (g_json) {
        QJsonObject o = dvrcfg::json::object("recorder", "backup");
        o["address"] = QString::fromStdString(target.address);
        o["name"] = QString::fromStdString(target.name);
        o["ok"] = true;
        o["file"] = output;
        o["records"] = int(s.records.size());
        o["identity"] = dvrcfg::identityOf(*s.deviceInfo());
        o["error"] = QJsonValue::Null;
        dvrcfg::json::print(o);
        dvrcfg::json::print(summaryOf("backup", 0));
    } else {
        std::printf("%zu records of %s written to %s\n", s.records.size(), rest[0].c_str(), qPrintable(output));
    }
    return 0;
}

int runShow(const Call &call)
{
    if (call.rest.size() != 1)
        return fail("usage: dvrcfg show FILE|ADDRESS [--record KIND] [--channel N]");
    dvrcfg::Snapshot s;
    std::string error, cause;
    dvrcfg::Selection selection = call.selection;
    if (!load(call, call.rest[0], s, error, cause))
        return failRecorder("show", call.rest[0], cause, error);
    if (!dvrcfg::resolveChannel(selection, *s.deviceInfo(), error))
        return fail(error);
    const auto entries = dvrcfg::showEntries(s, selection);
    if (!g_json) {
        print(dvrcfg::linesOf(entries));
        return 0;
    }
    QJsonObject o = dvrcfg::json::object("recorder", "show");
    o["source"] = QString::fromStdString(call.rest[0]);
    o["ok"] = true;
    o["identity"] = dvrcfg::identityOf(*s.deviceInfo());
    o["fields"] = dvrcfg::json::fields(entries, "value");
    o["error"] = QJsonValue::Null;
    dvrcfg::json::print(o);
    dvrcfg::json::print(summaryOf("show", 0));
    return 0;
}

int runDiff(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() != 2)
        return fail("usage: dvrcfg diff A B");
    dvrcfg::Snapshot a, b;
    std::string error, cause;
    if (!load(call, rest[0], a, error, cause))
        return failRecorder("diff", rest[0], cause, error);
    if (!load(call, rest[1], b, error, cause))
        return failRecorder("diff", rest[1], cause, error);
    // The channel is named as on the first; the second must have that position too.
    dvrcfg::Selection selection = call.selection, second;
    if (!dvrcfg::resolveChannel(selection, *a.deviceInfo(), error))
        return fail(error);
    second.number = selection.number;
    if (!dvrcfg::resolveChannel(second, *b.deviceInfo(), error) || second.number != selection.number)
        return fail(error.empty() ? "--channel: not the same channel on both" : error + " on the second");
    const auto entries = dvrcfg::diffEntries(a, b, selection);
    const int status = entries.empty() ? 0 : 1;
    if (!g_json) {
        print(dvrcfg::linesOf(entries));
        return status;
    }
    QJsonObject o = dvrcfg::json::object("recorder", "diff");
    o["first"] = QString::fromStdString(rest[0]);
    o["second"] = QString::fromStdString(rest[1]);
    o["ok"] = true;
    o["identical"] = entries.empty();
    o["differences"] = dvrcfg::json::fields(entries, "first", "second");
    o["error"] = QJsonValue::Null;
    dvrcfg::json::print(o);
    QJsonObject summary = summaryOf("diff", status);
    summary["ok"] = true; // a difference is the answer, not a failure
    summary["identical"] = entries.empty();
    dvrcfg::json::print(summary);
    return status;
}

int runEdit(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() < 2 || !call.isSet(call.options.output))
        return fail("usage: dvrcfg edit FILE -o OUT KIND[.N].FIELD=VALUE...");
    dvrcfg::Snapshot s;
    std::string error;
    if (!dvrcfg::readBackup(rest[0], s, error))
        return fail(error, "backup");
    for (std::size_t i = 1; i < rest.size(); ++i)
        if (!dvrcfg::editField(s, rest[i], error))
            return fail(error + "; nothing written");
    // Verified as any backup is before it is written.
    dvrcfg::Snapshot check;
    const QByteArray json = dvrcfg::toJson(s);
    const std::string output = call.parser.value(call.options.output).toStdString();
    if (!dvrcfg::fromJson(json, check, error) || !dvrcfg::writeFileAtomically(output, json, error))
        return fail(error, "file");
    if (g_json) {
        QJsonObject o = summaryOf("edit", 0);
        o["file"] = QString::fromStdString(output);
        o["edited"] = int(rest.size() - 1);
        dvrcfg::json::print(o);
    } else {
        std::printf("%zu field(s) set, written to %s\n", rest.size() - 1, output.c_str());
    }
    return 0;
}

// --backup-dir, --reboot-if-needed and --reboot-wait, with --only and --dry-run.
bool readChangeOptions(const Call &call, dvrcfg::ChangeOptions &o, std::string &error)
{
    o.only = call.selection;
    o.dryRun = call.isSet(call.options.dryRun);
    o.rebootIfNeeded = call.isSet(call.options.rebootIfNeeded);
    bool ok = false;
    o.rebootWaitSeconds = call.parser.value(call.options.rebootWait).toInt(&ok);
    if (!ok || o.rebootWaitSeconds < 1 || o.rebootWaitSeconds > 3600) {
        error = "--reboot-wait: seconds from 1 to 3600";
        return false;
    }
    if (call.isSet(call.options.backupDir)) {
        o.backupDir = call.parser.value(call.options.backupDir).toStdString();
        // Checked before any recorder is touched: a roll-out without its way back does not start.
        if (!QFileInfo(QString::fromStdString(o.backupDir)).isDir()) {
            error = "--backup-dir " + o.backupDir + ": no such directory";
            return false;
        }
        if (!dvrcfg::checkWritable(o.backupDir + "/.dvrcfg-snapshot", error))
            return false;
    }
    return true;
}

int runRestore(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.size() != 2)
        return fail("usage: dvrcfg restore FILE ADDRESS [--only KINDS] [--dry-run] [--force]");
    dvrcfg::Snapshot backup;
    std::string error, cause;
    if (!dvrcfg::readBackup(rest[0], backup, error))
        return fail(error + "; nothing sent", "backup");
    dvrcfg::RestoreOptions options;
    if (!readChangeOptions(call, options, error) || !dvrcfg::resolveChannel(options.only, *backup.deviceInfo(), error))
        return fail(error + "; nothing sent");
    const dvrcfg::Target target = call.target(rest[1]);
    if (!target.credentials.error.empty())
        return failRecorder("restore", target.address, "credentials", target.credentials.error + "; nothing sent");
    const auto &[user, password, ignored] = target.credentials;
    const std::int32_t login = dvrcfg::logIn(target.address, user, password, error, &cause);
    if (login < 0)
        return failRecorder("restore", target.address, cause, error + "; nothing sent");
    options.force = call.isSet(call.options.force);
    options.name = target.name;
    options.reopen = dvrcfg::reopenerFor(target.address, user, password);
    auto report = dvrcfg::restore(backup, login, options);
    SdkLogout(login);
    report.target.address = target.address;
    report.target.name = target.name;
    const int status = report.ok ? 0 : report.sent || report.differs ? 1 : Usage;
    if (g_json) {
        dvrcfg::json::print(dvrcfg::json::target("restore", report.target));
        dvrcfg::json::print(dvrcfg::json::summary("restore", {report.target}, status));
        return status;
    }
    print(report.lines);
    if (!report.ok)
        std::fprintf(stderr, "dvrcfg: restore onto %s %s\n", rest[1].c_str(),
                     report.sent || report.differs ? "did not complete (see above)"
                                                   : "did not take place; nothing sent (see above)");
    return status;
}

int runApply(const Call &call)
{
    const auto &rest = call.rest;
    if (rest.empty() || (rest.size() < 2 && !call.isSet(call.options.inventory)))
        return fail("usage: dvrcfg apply FILE ADDRESS... [--only KINDS] [--jobs N] [--dry-run] [--include-names], "
                    "or dvrcfg apply FILE --inventory FILE [--limit PATTERN]");
    dvrcfg::Snapshot tpl;
    std::string error;
    if (!dvrcfg::readBackup(rest[0], tpl, error))
        return fail(error + "; nothing sent", "backup");
    dvrcfg::ApplyOptions options;
    if (!readChangeOptions(call, options, error) || !dvrcfg::resolveChannel(options.only, *tpl.deviceInfo(), error))
        return fail(error + "; nothing sent");
    options.includeNames = call.isSet(call.options.includeNames);
    bool ok = false;
    options.jobs = call.parser.value(call.options.jobs).toInt(&ok);
    if (!ok || options.jobs < 1 || options.jobs > 256)
        return fail("--jobs: a number from 1 to 256");
    std::vector<dvrcfg::Target> targets;
    for (std::size_t i = 1; i < rest.size(); ++i)
        targets.push_back(call.target(rest[i]));
    if (targets.empty())
        targets = call.inventory;
    if (call.isSet(call.options.limit) &&
        !dvrcfg::limitTargets(targets, call.parser.value(call.options.limit).toStdString(), error))
        return fail(error + "; nothing sent");
    const bool terminal = isatty(STDERR_FILENO) != 0;
    // Interrupted, the recorders in flight finish and are reported; none is started after.
    const dvrcfg::StopOnSignals stopOnSignals;
    options.stop = &stopOnSignals.requested();
    int failed = 0;
    const auto reports = dvrcfg::apply(tpl, targets, options, [&](const dvrcfg::TargetReport &r, int n, int total) {
        if (terminal)
            std::fprintf(stderr, "[%d/%d] %s: %s\n", n, total, r.name.c_str(), dvrcfg::outcomeText(r.outcome));
        // Each result as it comes, so a run killed later still leaves what it changed.
        if (g_json) {
            dvrcfg::json::print(dvrcfg::json::target("apply", r));
        } else {
            print(dvrcfg::reportLines(r));
            std::fflush(stdout);
        }
        failed += r.outcome == dvrcfg::TargetReport::Outcome::Failed;
    });
    const bool stopped = stopOnSignals.requested().load();
    const int status = failed || stopped ? 1 : 0;
    if (g_json) {
        dvrcfg::json::print(dvrcfg::json::summary("apply", reports, status, stopped));
        return status;
    }
    std::printf("%zu recorder(s), %d failed%s\n", reports.size(), failed,
                stopped ? "; interrupted: the recorders not started were left as they are" : "");
    std::fflush(stdout);
    return status;
}

struct SubCommand {
    const char *name;
    const char *arguments; // as the usage line writes them
    const char *what;
    std::vector<std::pair<const char *, const char *>> argumentHelp;
    std::vector<Option> options; // those it takes; any other is refused
    int (*run)(const Call &);
};

const char *const AddressHelp = "sim://QUERY (an embedded simulated recorder), HOST:PORT, or a name in --inventory";

// Every command reaches recorders, so every command takes these.
#define DVRCFG_ACCESS &Options::inventory, &Options::json, &Options::user, &Options::passwordFile, &Options::password
#define DVRCFG_CHANGE                                                                                                  \
    &Options::only, &Options::dryRun, &Options::backupDir, &Options::rebootIfNeeded, &Options::rebootWait

const SubCommand SubCommands[] = {
    {"backup",
     "ADDRESS -o FILE",
     "Loads the recorder's whole configuration, as the dialog does, and writes it as a JSON backup\n"
     "that is verified on reading. The file holds passwords in clear and is written readable by\n"
     "its owner only.",
     {{"ADDRESS", AddressHelp}},
     {&Options::output, DVRCFG_ACCESS},
     runBackup},
    {"show",
     "FILE|ADDRESS",
     "Prints the fields of a backup or of a live recorder, one a line, with their list texts.",
     {{"FILE|ADDRESS", "a backup file, or a recorder: sim://QUERY, HOST:PORT or a name in --inventory"}},
     {&Options::record, &Options::channel, DVRCFG_ACCESS},
     runShow},
    {"diff",
     "A B",
     "Prints the fields that differ between two backups or recorders, one a line.\n"
     "Exit status 0 when equal, 1 when different, 2 on error.",
     {{"A, B", "backup files or recorders"}},
     {&Options::record, &Options::channel, DVRCFG_ACCESS},
     runDiff},
    {"edit",
     "FILE -o OUT KIND[.N].FIELD=VALUE...",
     "Writes a copy of a backup with fields set, as a template for apply: KIND.FIELD=VALUE for a\n"
     "device-wide record, KIND.N.FIELD=VALUE for channel, alarm input or output N (from 1); FIELD\n"
     "as dvrcfg show names it. Whole numbers in their field's range, texts that fit in GBK; the\n"
     "device record is not edited. Nothing is written unless every setting is good.",
     {{"FILE", "a backup written by dvrcfg backup"},
      {"SETTING...", "for example alarmout.1.outputDelay=3 dnsntp.ntpServer=ntp.example"}},
     {&Options::output, &Options::json},
     runEdit},
    {"restore",
     "FILE ADDRESS",
     "Sends a backup back onto the recorder it was taken from: shows the differences, sends the\n"
     "changed records in page order, reads everything back and says whether a restart is due.\n"
     "Another recorder (serial number, type, counts) is refused unless --force.",
     {{"FILE", "a backup written by dvrcfg backup"}, {"ADDRESS", AddressHelp}},
     {DVRCFG_CHANGE, &Options::force, DVRCFG_ACCESS},
     runRestore},
    {"apply",
     "FILE [ADDRESS...]",
     "Merges a backup, as a template, into each recorder's own records and sends what differs;\n"
     "the fields that identify a recorder stay its own (see dvrcfg --help). Without ADDRESS, the\n"
     "recorders of --inventory (those --limit selects). Exit status 1 when any recorder failed.",
     {{"FILE", "a backup written by dvrcfg backup"}, {"ADDRESS...", AddressHelp}},
     {DVRCFG_CHANGE, &Options::jobs, &Options::includeNames, &Options::limit, DVRCFG_ACCESS},
     runApply},
};
#undef DVRCFG_ACCESS
#undef DVRCFG_CHANGE

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
        // Wrapped at 100 columns under the help's first column, as Qt's own help does.
        std::string line = "  " + syntax + std::string(std::size_t(std::max(2, 26 - int(syntax.size()))), ' ');
        const std::size_t indent = line.size();
        for (std::size_t at = 0; at < help.size();) {
            std::size_t end = std::min(help.size(), at + (100 - indent));
            if (end < help.size())
                if (const auto blank = help.rfind(' ', end); blank != std::string::npos && blank > at)
                    end = blank;
            text += line + help.substr(at, end - at) + "\n";
            line = std::string(indent, ' ');
            at = end + (end < help.size() && help[end] == ' ');
        }
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
    // Qt's own help option says "Qt specific options" of --help-all; here it is every command's help.
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("This help; dvrcfg COMMAND --help gives one command's.")));
    parser.addOption(QCommandLineOption(QStringLiteral("help-all"), QStringLiteral("This help and every command's.")));
    parser.addVersionOption();
    const Options options;
    parser.addOptions(options.all());
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("backup, show, diff, edit, restore or apply; dvrcfg COMMAND --help "
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
    g_json = parser.isSet(options.json);
    g_command = sub->name;
    std::vector<std::string> rest;
    for (qsizetype i = 1; i < args.size(); ++i)
        rest.push_back(args[i].toStdString());
    Call call{.parser = parser,
              .options = options,
              .rest = std::move(rest),
              .credentials = {},
              .selection = {},
              .inventory = {}};

    std::string error;
    call.credentials.user = parser.value(options.user).toStdString();
    if (parser.isSet(options.passwordFile) && parser.isSet(options.password))
        return fail("--password-file and --password: give one");
    if (parser.isSet(options.passwordFile)) {
        if (!dvrcfg::readSecretFile(parser.value(options.passwordFile).toStdString(), call.credentials.password, error))
            return fail("--password-file: " + error, "credentials");
    } else if (parser.isSet(options.password)) {
        call.credentials.password = parser.value(options.password).toStdString();
    } else if (const char *fromEnvironment = std::getenv(dvrcfg::PasswordVariable)) {
        call.credentials.password = fromEnvironment;
    }
    if (parser.isSet(options.inventory) &&
        !dvrcfg::readInventory(parser.value(options.inventory).toStdString(), call.credentials, call.inventory, error))
        return fail(error, "inventory");
    if (parser.isSet(options.limit) && !parser.isSet(options.inventory) && call.rest.size() < 2)
        return fail("--limit selects from --inventory");
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
