#pragma once
// A sub-dialog on records in memory, with message boxes recorded instead of shown, driven
// through its buttons so the signal connections are exercised along with the handlers.
#include "guihelpers.h"
#include "recordingnotifier.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QString>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <utility>

// What happened to a dialog whose button was pressed inside its modal loop.
struct ModalRun {
    bool modal = false;  // the press came while that dialog was the active modal widget
    bool closed = false; // the press ended the loop
    int result = -1;     // the result code the press left (what exec() returned, where known)
};

// Runs `loop`, which is expected to enter a modal loop of a Dialog, and presses `button` in that
// dialog as soon as the loop runs, after `before` (if given) has acted on it. A press that leaves
// the dialog open is reported as not closed, and the dialog is rejected so `loop` returns.
template <typename Dialog>
ModalRun pressInModalLoop(const std::function<void()> &loop, const char *button,
                          const std::function<void(Dialog &)> &before = {})
{
    ModalRun run;
    QObject scope; // a loop that never waited leaves no press behind to run later
    QTimer::singleShot(0, &scope, [&] {
        auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget());
        if (!dialog) {
            ADD_FAILURE() << "no modal dialog to press " << button << " in";
            return; // nothing modal: `loop` did not wait, or waits on something else
        }
        run.modal = dialog->isModal();
        if (before)
            before(*dialog);
        press(*dialog, button);
        run.closed = !dialog->isVisible();
        run.result = dialog->result();
        if (!run.closed)
            dialog->reject();
    });
    loop();
    return run;
}

template <typename Dialog> class SubDialogTest : public ::testing::Test {
protected:
    // Makes a new dialog from the constructor arguments and shows it, not modally.
    template <typename... Args> Dialog &create(Args &&...args)
    {
        dialog = std::make_unique<Dialog>(std::forward<Args>(args)...);
        dialog->show();
        return *dialog;
    }

    template <typename T = QWidget> T *find(const QString &name) const { return child<T>(dialog.get(), name); }
    void click(const char *name) const { press(*dialog, name); }

    // Runs the dialog with exec() and presses `button` inside its loop, after `before` if given.
    ModalRun execPressing(const char *button, const std::function<void(Dialog &)> &before = {})
    {
        dialog->hide(); // modality only takes effect on a dialog that is shown anew
        int code = -1;
        ModalRun run = pressInModalLoop<Dialog>([&] { code = dialog->exec(); }, button, before);
        if (run.closed)
            run.result = code;
        return run;
    }

    RecordingNotifier notes;
    std::unique_ptr<Dialog> dialog;
};
