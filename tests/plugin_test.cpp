// show_modal_config as a host calls it: the plug-in library loaded at run time.
#include "simfixture.h"

#include <QApplication>
#include <QLibrary>
#include <QMessageBox>
#include <QTimer>

namespace {

using ShowModalConfig = std::int32_t (*)(const char *, std::int32_t, std::int32_t);

ShowModalConfig entry()
{
    static QLibrary plugin(QCoreApplication::applicationDirPath() + QStringLiteral("/dvrconfig"));
    if (!plugin.isLoaded() && !plugin.load())
        ADD_FAILURE() << qPrintable(plugin.errorString());
    return reinterpret_cast<ShowModalConfig>(plugin.resolve("show_modal_config"));
}

// Plays the operator: notes and accepts every message box, and closes the dialog once it is
// idle (or at once, before the load).
class Operator : public QObject {
public:
    explicit Operator(bool closeAtOnce) : closeAtOnce_(closeAtOnce)
    {
        connect(&timer_, &QTimer::timeout, this, &Operator::act);
        timer_.start(closeAtOnce ? 0 : 50);
    }
    QStringList messages;

private:
    void act()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (auto *box = qobject_cast<QMessageBox *>(w); box && box->isVisible()) {
                messages << box->text();
                box->accept();
                return;
            }
        }
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QStringLiteral("TfrmDvrConfig") || !w->isVisible())
                continue;
            QWidget *panel = w->findChild<QWidget *>(QStringLiteral("pnlGetPos"));
            if (closeAtOnce_ || (panel && !panel->isVisible()))
                QMetaObject::invokeMethod(w, "reject");
        }
    }
    bool closeAtOnce_;
    QTimer timer_;
};

TEST(PluginEntry, ReturnsOneWhenEveryCommandFails)
{
    ShowModalConfig show = entry();
    ASSERT_NE(show, nullptr);
    Operator op(false);
    EXPECT_EQ(show(nullptr, 424242, 99), 1) << "no such log-in: every SDK call fails";
    EXPECT_EQ(op.messages, QStringList{QStringLiteral("获取服务器配置信息失败!")});
}

TEST(PluginEntry, ClosedBeforeTheFirstTickSendsNothing)
{
    ShowModalConfig show = entry();
    ASSERT_NE(show, nullptr);
    SimulatedRecorder sim;
    Operator op(true);
    EXPECT_EQ(show("", sim.login, 0), 1);
    EXPECT_TRUE(sim.device->log().empty());
}

TEST(PluginEntry, FullLoadThroughTheLibrary)
{
    ShowModalConfig show = entry();
    ASSERT_NE(show, nullptr);
    SimulatedRecorder sim("channels=2");
    Operator op(false);
    EXPECT_EQ(show("text", sim.login, 0), 1);
    EXPECT_TRUE(op.messages.isEmpty());
    EXPECT_GT(sim.device->log().size(), 3u);
}

} // namespace
