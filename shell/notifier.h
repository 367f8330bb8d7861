#pragma once
// Every message box of the plug-in goes through one notifier, so tests can read the messages
// and answer the confirmations instead of blocking on a modal box.
#include <QString>

class QWidget;

class Notifier {
public:
    virtual ~Notifier() = default;
    // Caption "提示", information icon, kept on top.
    virtual void inform(QWidget *parent, const QString &text) = 0;
    // The same box with OK and Cancel; true on OK.
    virtual bool confirm(QWidget *parent, const QString &text) = 0;
};

Notifier &notifier();
// Replaces the notifier (not owned); null puts the message boxes back.
void setNotifier(Notifier *replacement);

inline void showMessage(QWidget *parent, const QString &text) { notifier().inform(parent, text); }
inline bool askConfirmation(QWidget *parent, const QString &text) { return notifier().confirm(parent, text); }
