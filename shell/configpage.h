#pragma once
// What each tab of the main dialog supplies to the load/save cycle. A page is a widget with its
// own form, placed into its tab sheet; the dialog talks to it only through this contract.
#include "shell/dvrrecords.h"

#include <QString>
#include <QWidget>

#include <cstddef>
#include <cstdint>
#include <vector>

// What a page is built from: the dialog's records, the dialog itself (owner of messages and
// sub-dialogs), the login handle and whether the first full load has succeeded.
struct PageContext {
    DvrRecords &records;
    QWidget *dialog;
    std::int32_t login;
    const bool &loaded;
};

// Bytes of one record that a save without edits may rewrite, because the page stores a field in
// a normal form (a check box writes 1 or 0, a spin edit its clamped value, ...).
struct NormalisedBytes {
    std::int32_t getType; // the record's get command type
    std::size_t offset;
    std::size_t length;
    const char *why;
};

// Shown when a save would send a record whose last answer held fewer bytes than the record.
inline QString incompleteRecordsText() { return QStringLiteral("设备发来的设置信息不完整,请刷新后再保存!"); }

class ConfigPage : public QWidget {
public:
    explicit ConfigPage(const PageContext &context) : context_(context), r_(context.records) {}

    // Records into controls; also renews the page's baseline copies.
    virtual void fill() = 0;
    // Validates with one message and focus, then controls into records; a part with nothing shown
    // (no channel, so no decoder) has nothing to check and passes. False stops the save; the failing
    // check has written nothing, but in a page that collects in steps, the steps before it have.
    virtual bool collect() = 0;
    // The page's share of a refresh: the records it queues, in order (single commands it needs
    // run at once and report their own failure).
    virtual void queueRefresh() = 0;
    // The page's share of a save: the restart rule against the baselines (sets `restart` when a
    // record the save sends differs; a page whose records never need a restart leaves it alone),
    // then the records it queues. False ends the save (after the page's own message, if any).
    virtual bool queueSave(bool &restart) = 0;
    // Copies the records the restart rule compares into their baselines: on every fill, and after
    // a save that asked for a restart has reached the device (not before: a failed save must still
    // ask when it is retried).
    virtual void renewBaselines() {}
    // Fields that a load, show and save without edits may change; none unless a page says so.
    virtual std::vector<NormalisedBytes> normalisedBytes() const { return {}; }

protected:
    QWidget *dialog() const { return context_.dialog; }
    std::int32_t login() const { return context_.login; }
    bool loaded() const { return context_.loaded; }

    PageContext context_;
    DvrRecords &r_;
};
