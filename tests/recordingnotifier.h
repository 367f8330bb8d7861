#pragma once
// Stands in for the message boxes: keeps every text and answers confirmations from a script.
#include "shell/notifier.h"

#include <QStringList>

#include <deque>

class RecordingNotifier final : public Notifier {
public:
    RecordingNotifier() { setNotifier(this); }
    ~RecordingNotifier() override { setNotifier(nullptr); }

    void inform(QWidget *, const QString &text) override { messages << text; }
    bool confirm(QWidget *, const QString &text) override
    {
        confirmations << text;
        if (answers.empty())
            return false;
        const bool answer = answers.front();
        answers.pop_front();
        return answer;
    }

    QStringList messages;
    QStringList confirmations;
    std::deque<bool> answers; // next confirmation answers, front first; Cancel when empty
};
