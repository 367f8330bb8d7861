// The smallest surveillance client: logs in to a recorder, lists it and opens the plug-in.
//
//   dvrhost [--device ADDRESS] [--user NAME] [--password WORD] [--open] [--screenshots DIR]
//
// ADDRESS defaults to an embedded simulated recorder ("sim://"); "HOST:PORT" reaches a
// dvr-simulator across the network. Without a display the host
// runs offscreen, performs the full load and writes a PNG of each visible page.
#include "sdk/quellport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QLabel>
#include <QLibrary>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <cstdio>

namespace {

using ShowModalConfig = std::int32_t(SDK_CALL *)(const char *, std::int32_t, std::int32_t);

bool haveDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

ShowModalConfig loadPlugin(QString &error)
{
    static QLibrary plugin;
    if (!plugin.isLoaded()) {
        plugin.setFileName(QCoreApplication::applicationDirPath() + QStringLiteral("/dvrconfig"));
        if (!plugin.load()) {
            error = plugin.errorString();
            return nullptr;
        }
    }
    auto entry = reinterpret_cast<ShowModalConfig>(plugin.resolve("show_modal_config"));
    if (!entry)
        error = plugin.errorString();
    return entry;
}

// Screenshots without a display: waits for the full load inside the modal dialog, grabs every
// visible page, then closes the dialog. Message boxes are answered and reported.
class PageGrabber : public QObject {
public:
    explicit PageGrabber(const QString &folder) : folder_(folder)
    {
        QDir().mkpath(folder_);
        connect(&poll_, &QTimer::timeout, this, &PageGrabber::check);
        poll_.start(100);
    }
    int written() const { return written_; }

private:
    void check()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                std::printf("message: %s\n", qPrintable(box->text()));
                box->accept();
                return;
            }
        }
        QWidget *dialog = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("TfrmDvrConfig") && w->isVisible())
                dialog = w;
        if (!dialog)
            return;
        QWidget *panel = dialog->findChild<QWidget *>(QStringLiteral("pnlGetPos"));
        auto *pages = dialog->findChild<QTabWidget *>(QStringLiteral("pgcDvrSet"));
        if (!pages || (panel && panel->isVisible()) || ++settled_ < 3)
            return;
        poll_.stop();
        for (int i = 0; i < pages->count(); ++i) {
            if (!pages->isTabVisible(i))
                continue;
            pages->setCurrentIndex(i);
            QCoreApplication::processEvents();
            const QString file =
                QDir(folder_).filePath(QStringLiteral("%1-%2.png").arg(i).arg(pages->widget(i)->objectName()));
            if (dialog->grab().save(file)) {
                std::printf("page %d written to %s\n", i, qPrintable(QDir(file).absolutePath()));
                ++written_;
            }
        }
        if (!openAreaEditor(dialog, pages)) {
            pages->setCurrentIndex(0);
            QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
        }
    }

    // The area editor over live video, from the channel page with motion detection selected:
    // "显 示 区 域" is ticked and the editor grabbed once the video has run for a second.
    bool openAreaEditor(QWidget *dialog, QTabWidget *pages)
    {
        auto *button = dialog->findChild<QAbstractButton *>(QStringLiteral("btnSetArea"));
        auto *kind = dialog->findChild<QComboBox *>(QStringLiteral("cbbAlarmType"));
        if (!button || !kind || kind->count() == 0) {
            std::printf("area editor: no btnSetArea on the channel page\n");
            return false;
        }
        for (int i = 0; i < pages->count(); ++i)
            if (pages->widget(i)->isAncestorOf(button))
                pages->setCurrentIndex(i);
        kind->setCurrentIndex(0);
        emit kind->activated(0);
        if (!button->isEnabled()) {
            std::printf("area editor: btnSetArea is disabled\n");
            return false;
        }
        dialog_ = dialog;
        pages_ = pages;
        polls_ = 0;
        disconnect(&poll_, nullptr, this, nullptr);
        connect(&poll_, &QTimer::timeout, this, &PageGrabber::grabAreaEditor);
        poll_.start(100);
        QTimer::singleShot(0, button, &QAbstractButton::click); // its modal loop runs from the event loop
        return true;
    }

    void grabAreaEditor()
    {
        QWidget *editor = nullptr;
        for (QWidget *w : QApplication::topLevelWidgets())
            if (w->objectName() == QStringLiteral("TfrmSetArea") && w->isVisible())
                editor = w;
        ++polls_;
        if (!editor) {
            if (polls_ < 30)
                return;
            std::printf("area editor: did not open\n");
        } else if (!shown_) {
            if (auto *show = editor->findChild<QAbstractButton *>(QStringLiteral("chkShowArea")))
                show->click();
            shown_ = true;
            polls_ = 0;
            return;
        } else if (polls_ < 12) {
            return; // the pause before the drawer, then a few frames with it
        } else {
            const QString file = QDir(folder_).filePath(QStringLiteral("area-editor.png"));
            if (editor->grab().save(file)) {
                std::printf("area editor written to %s\n", qPrintable(QDir(file).absolutePath()));
                ++written_;
            }
            QMetaObject::invokeMethod(editor, "reject", Qt::QueuedConnection);
        }
        poll_.stop();
        pages_->setCurrentIndex(0);
        QMetaObject::invokeMethod(dialog_, "reject", Qt::QueuedConnection);
    }

    QString folder_;
    QTimer poll_;
    int settled_ = 0;
    int written_ = 0;
    QWidget *dialog_ = nullptr;
    QTabWidget *pages_ = nullptr;
    int polls_ = 0;
    bool shown_ = false;
};

} // namespace

int main(int argc, char **argv)
{
    const bool headless = !haveDisplay();
    if (headless)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dvrhost"));

    QCommandLineParser args;
    args.addHelpOption();
    args.addOption({QStringLiteral("device"),
                    QStringLiteral("Recorder address: sim://… or HOST:PORT of a dvr-simulator."),
                    QStringLiteral("address"), QStringLiteral("sim://")});
    args.addOption(
        {QStringLiteral("user"), QStringLiteral("User name."), QStringLiteral("name"), QStringLiteral("admin")});
    args.addOption(
        {QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("word"), QStringLiteral("12345")});
    args.addOption({QStringLiteral("open"), QStringLiteral("Open the configuration dialog at once.")});
    args.addOption({QStringLiteral("screenshots"), QStringLiteral("Write a PNG of each page into this folder."),
                    QStringLiteral("folder")});
    args.process(app);

    SdkInit();
    const QByteArray address = args.value(QStringLiteral("device")).toLocal8Bit();
    const std::int32_t login =
        SdkLogin(address.constData(), args.value(QStringLiteral("user")).toLocal8Bit().constData(),
                 args.value(QStringLiteral("password")).toLocal8Bit().constData());
    if (login < 0) {
        std::fprintf(stderr, "log-in to %s failed\n", address.constData());
        SdkCleanup();
        return 1;
    }

    QWidget window;
    window.setWindowTitle(QStringLiteral("DVR 客户端"));
    auto *layout = new QVBoxLayout(&window);
    auto *devices = new QListWidget(&window);
    devices->addItem(QStringLiteral("%1  (登录句柄 %2)").arg(QString::fromLocal8Bit(address)).arg(login));
    devices->setCurrentRow(0);
    auto *open = new QPushButton(QStringLiteral("远程参数配置"), &window);
    layout->addWidget(new QLabel(QStringLiteral("已登录设备:"), &window));
    layout->addWidget(devices);
    layout->addWidget(open);
    window.resize(420, 260);

    const auto openDialog = [&] {
        QString error;
        ShowModalConfig entry = loadPlugin(error);
        if (!entry) {
            std::fprintf(stderr, "plug-in not loaded: %s\n", qPrintable(error));
            return false;
        }
        entry(address.constData(), login, 0);
        return true;
    };
    QObject::connect(open, &QPushButton::clicked, &window, openDialog);

    int result = 0;
    const QString folder = args.isSet(QStringLiteral("screenshots")) ? args.value(QStringLiteral("screenshots"))
                           : headless                                ? QStringLiteral("screenshots")
                                                                     : QString();
    if (!folder.isEmpty()) {
        window.show();
        QDir().mkpath(folder);
        window.grab().save(QDir(folder).filePath(QStringLiteral("host.png")));
        PageGrabber grabber(folder);
        result = openDialog() && grabber.written() > 0 ? 0 : 1;
    } else {
        window.show();
        if (args.isSet(QStringLiteral("open")))
            QTimer::singleShot(0, &window, openDialog);
        result = app.exec();
    }
    SdkLogout(login);
    SdkCleanup();
    return result;
}
