#pragma once
// The main dialog on a simulated recorder, with message boxes recorded instead of shown.
#include "guihelpers.h"
#include "recordingnotifier.h"
#include "shell/frmdvrconfig.h"
#include "simfixture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include <memory>

class DialogTest : public ::testing::Test {
protected:
    void open(const std::string &profile = "type=82&channels=4&alarmin=4&alarmout=2&disks=2", bool load = true)
    {
        sim = std::make_unique<SimulatedRecorder>(profile);
        dialog = std::make_unique<TfrmDvrConfig>("host text", sim->login);
        dialog->show();
        if (load)
            dialog->tmrProgressTimer();
    }
    void TearDown() override
    {
        dialog.reset();
        sim.reset();
    }

    template <typename T = QWidget> T *find(const char *name) const
    {
        T *w = dialog->findChild<T *>(QString::fromLatin1(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLineEdit *edit(const char *name) const { return find<QLineEdit>(name); }
    void showPage(int page) const { find<QTabWidget>("pgcDvrSet")->setCurrentIndex(page); }
    dvrsim::Device &device() const { return *sim->device; }
    DvrRecords &records() const { return dialog->records(); }

    // Presses a button of the dialog as the operator does.
    void click(const char *name) const { press(*dialog, name); }

    // Saves the page in front and returns what the recorder received.
    std::vector<dvrsim::LogEntry> save()
    {
        device().clearLog();
        notes.messages.clear();
        click("btnSaveConfig");
        return device().log();
    }

    RecordingNotifier notes;
    std::unique_ptr<SimulatedRecorder> sim;
    std::unique_ptr<TfrmDvrConfig> dialog;
};
