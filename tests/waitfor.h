#pragma once
// Waiting for something another thread or process does: check, then let events run for a
// short step, until it holds or the time is up. The timeout only catches hangs; pass a
// generous one, since a loaded machine or the sanitizer build is slow.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QtCore/qtestsupport_core.h>

#include <functional>

// True as soon as `done` holds; false when it still does not after `timeoutMs`. `done` is
// checked once more after the deadline, so a slow last step does not count as a failure.
inline bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000)
{
    constexpr int Step = 10;
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        if (done())
            return true;
        if (deadline.hasExpired())
            return false;
        // Sockets and timers of this thread only move while its events run; a suite without
        // an application object has none to run.
        if (QCoreApplication::instance())
            QTest::qWait(Step);
        else
            QThread::msleep(Step);
    }
}
