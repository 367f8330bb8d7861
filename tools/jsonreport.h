#pragma once
// dvrcfg --json: one object per recorder on a line of its own as it finishes, then a summary.
// The README's dvrcfg section documents every key.
#include "tools/transfer.h"

#include <QJsonArray>
#include <QJsonObject>

#include <string>
#include <vector>

namespace dvrcfg::json {

// {"cause": ..., "message": ...}, or null when there is no error.
QJsonValue error(const std::string &cause, const std::string &message);
// Fields of a show ("value") or of a difference (`first`, `second`: their keys).
QJsonArray fields(const std::vector<FieldEntry> &entries, const char *first, const char *second = nullptr);
// A recorder of restore or apply.
QJsonObject target(const char *command, const TargetReport &report);
// The summary of restore or apply.
QJsonObject summary(const char *command, const std::vector<TargetReport> &reports, int exitStatus,
                    bool interrupted = false);
// A recorder or summary object of its own making: "type" and "command" first.
QJsonObject object(const char *type, const char *command);
// Writes the object on one line and flushes it, so a reader sees each as it comes.
void print(const QJsonObject &o);

} // namespace dvrcfg::json
