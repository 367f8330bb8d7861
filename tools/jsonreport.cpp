#include "tools/jsonreport.h"

#include <QJsonDocument>

#include <cstdio>
#include <map>

namespace dvrcfg::json {
namespace {

QJsonArray strings(const std::vector<std::string> &items)
{
    QJsonArray a;
    for (const auto &i : items)
        a.append(QString::fromStdString(i));
    return a;
}

QString text(const std::string &s) { return QString::fromStdString(s); }

} // namespace

QJsonObject object(const char *type, const char *command)
{
    QJsonObject o;
    o["type"] = QLatin1String(type);
    o["command"] = QLatin1String(command);
    return o;
}

QJsonValue error(const std::string &cause, const std::string &message)
{
    if (cause.empty() && message.empty())
        return QJsonValue::Null;
    return QJsonObject{{"cause", text(cause.empty() ? "other" : cause)}, {"message", text(message)}};
}

QJsonArray fields(const std::vector<FieldEntry> &entries, const char *first, const char *second)
{
    QJsonArray a;
    for (const FieldEntry &e : entries) {
        QJsonObject o{{"record", text(e.record)},
                      {"kind", QLatin1String(e.kind)},
                      {"slot", e.slot},
                      {"field", text(e.field)},
                      {QLatin1String(first), text(e.value)}};
        if (second)
            o[QLatin1String(second)] = text(e.other);
        a.append(o);
    }
    return a;
}

QJsonObject target(const char *command, const TargetReport &r)
{
    QJsonObject o = object("recorder", command);
    o["address"] = text(r.address);
    o["name"] = text(r.name);
    o["outcome"] = QLatin1String(outcomeText(r.outcome));
    o["ok"] = r.outcome != TargetReport::Outcome::Failed;
    o["changed"] = strings(r.changed);
    o["differences"] = fields(r.fields, "from", "to");
    o["sent"] = r.answeredOk;
    o["confirmed"] = strings(r.reached);
    o["missing"] = strings(r.missing);
    o["notSent"] = strings(r.notSent);
    o["readBack"] = r.readBack;
    o["restart"] = QJsonObject{{"needed", !r.restart.empty()}, {"reasons", strings(r.restart)}};
    o["snapshot"] = r.snapshot.empty() ? QJsonValue::Null : QJsonValue(text(r.snapshot));
    o["reboot"] = QJsonObject{{"state", QLatin1String(rebootText(r.reboot.state))}, {"seconds", r.reboot.seconds}};
    o["notes"] = strings(r.notes);
    o["error"] = error(r.cause, r.outcome == TargetReport::Outcome::Failed || !r.cause.empty() ? r.reason : "");
    return o;
}

QJsonObject summary(const char *command, const std::vector<TargetReport> &reports, int exitStatus, bool interrupted)
{
    QJsonObject o = object("summary", command);
    std::map<std::string, int> counts;
    for (const auto outcome :
         {TargetReport::Outcome::Applied, TargetReport::Outcome::Unchanged, TargetReport::Outcome::WouldApply,
          TargetReport::Outcome::Failed, TargetReport::Outcome::Skipped})
        counts[outcomeText(outcome)] = 0;
    int rebooted = 0;
    for (const TargetReport &r : reports) {
        ++counts[outcomeText(r.outcome)];
        rebooted += r.reboot.state == RebootReport::State::BackOnline || r.reboot.state == RebootReport::State::NotBack;
    }
    QJsonObject outcomes;
    for (const auto &[name, n] : counts)
        outcomes[text(name)] = n;
    o["recorders"] = int(reports.size());
    o["outcomes"] = outcomes;
    o["rebooted"] = rebooted;
    o["interrupted"] = interrupted;
    o["ok"] = exitStatus == 0;
    o["exitStatus"] = exitStatus;
    return o;
}

void print(const QJsonObject &o)
{
    const QByteArray line = QJsonDocument(o).toJson(QJsonDocument::Compact);
    std::fwrite(line.constData(), 1, std::size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace dvrcfg::json
