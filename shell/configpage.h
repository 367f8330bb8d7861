#pragma once
// What each tab of the main dialog supplies to the load/save cycle. A page is a widget with its
// own form, placed into its tab sheet; the dialog talks to it only through this contract.
#include "model/catalogue.h"

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
// The message of a full load or a refresh that stopped.
QString loadStopText(model::LoadStop stop);

// The refresh and save shares come from the record catalogue: which records the page's refresh
// fetches and its save sends, in which order, on which device types, and which bytes ask for a
// restart. A page overrides them only for what is truly its own.
class ConfigPage : public QWidget {
public:
    ConfigPage(const PageContext &context, model::Page page) : context_(context), r_(context.records), page_(page) {}

    // Records into controls; also renews the page's baseline copies.
    virtual void fill() = 0;
    // Validates with one message and focus, then controls into records; a part with nothing shown
    // (no channel, so no decoder) has nothing to check and passes. False stops the save; the failing
    // check has written nothing, but in a page that collects in steps, the steps before it have.
    virtual bool collect() = 0;
    // The page's share of a refresh: its records queued in order; a single command among them runs
    // at once and reports its own failure, which ends the share.
    virtual void queueRefresh();
    // The page's share of a save: refuses (with a message) when a record it sends arrived short;
    // sets `restart` when a record it sends differs from its baseline in a byte that asks for one
    // (a page whose records have no such bytes never asks); then queues its records in order.
    // False ends the save.
    virtual bool queueSave(bool &restart);
    // Copies the records the restart rule compares into their baselines: on every fill, and after
    // a save that asked for a restart has reached the device (not before: a failed save must still
    // ask when it is retried).
    virtual void renewBaselines();
    // Fields that a load, show and save without edits may change; none unless a page says so.
    virtual std::vector<NormalisedBytes> normalisedBytes() const { return {}; }

protected:
    // A setting of the save that is no record and goes to the device at once rather than in the
    // batch (the server page's scale setting). False ends the save without a message.
    virtual bool sendAtOnce(const model::RecordSlot &) { return false; }

    QWidget *dialog() const { return context_.dialog; }
    std::int32_t login() const { return context_.login; }
    bool loaded() const { return context_.loaded; }

    PageContext context_;
    DvrRecords &r_;
    model::Page page_;
};
