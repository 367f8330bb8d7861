#pragma once
// Waiting for something another thread or process does: check, then let events run for a
// short step, until it holds or the time is up. The timeout only catches hangs; pass a
// generous one, since a loaded machine or the sanitizer build is slow.
#ifndef DVR_NO_QT
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QtCore/qtestsupport_core.h>
#else
#include <chrono>
#include <thread>
#endif

#include <functional>

// True as soon as `done` holds; false when it still does not after `timeoutMs`. `done` is
// checked once more after the deadline, so a slow last step does not count as a failure.
inline bool waitFor(const std::function<bool()> &done, int timeoutMs = 5000)
{
    constexpr int Step = 10;
#ifdef DVR_NO_QT
    // Without Qt (the Windows build) there are no events to run.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (done())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(Step));
    }
#else
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
#endif
}
