#include "sdk/preview.h"

#include <QApplication>
#include <QPainter>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <atomic>
#include <future>
#include <map>
#include <mutex>
#include <thread>

namespace {

// Shows the frames over the window. It lets the mouse through, so the window keeps its own
// mouse handling, and going away leaves the window as it was.
class Surface final : public QWidget {
public:
    explicit Surface(QWidget *window) : QWidget(window)
    {
        setObjectName(QStringLiteral("quellportVideo"));
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(window->rect());
        show();
    }
    void showFrame(const QImage &frame)
    {
        frame_ = frame;
        setAttribute(Qt::WA_OpaquePaintEvent, !frame_.isNull());
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (frame_.isNull())
            return;
        QPainter p(this);
        p.drawImage(rect(), frame_);
    }

private:
    QImage frame_;
};

struct Preview {
    std::int32_t handle = -1;
    std::unique_ptr<FrameSource> source;
    QSize window;
    // GUI thread only.
    QPointer<Surface> surface;
    std::unique_ptr<QObject> bridge; // context of the frames posted to the GUI thread

    std::mutex drawMutex; // held while the callback runs, so removing it waits for the call
    SdkDrawCallback draw = nullptr;
    void *user = nullptr;

    std::atomic<bool> framePending{false};   // a frame is on its way to the GUI thread: skip showing more
    std::atomic<std::thread::id> threadId{}; // set by the thread itself, so it is never read half-made
    std::jthread thread;                     // last: stopped and joined first when a Preview goes
};

std::mutex g_mutex;
std::map<std::int32_t, std::shared_ptr<Preview>> g_previews;
std::int32_t g_nextHandle = 1;

std::shared_ptr<Preview> previewFor(std::int32_t handle)
{
    std::lock_guard lock(g_mutex);
    auto it = g_previews.find(handle);
    return it == g_previews.end() ? nullptr : it->second;
}

bool onGuiThread()
{
    return qobject_cast<QApplication *>(QCoreApplication::instance()) &&
           QThread::currentThread() == QCoreApplication::instance()->thread();
}

void run(const std::shared_ptr<Preview> &preview, std::stop_token stop)
{
    Preview &pv = *preview;
    QImage frame;
    while (!stop.stop_requested() && pv.source->next(frame, stop)) {
        {
            QPainter painter(&frame);
            // The callback paints in the window's coordinates, whatever size the frame has.
            if (!pv.window.isEmpty() && pv.window != frame.size())
                painter.scale(double(frame.width()) / pv.window.width(), double(frame.height()) / pv.window.height());
            std::lock_guard lock(pv.drawMutex);
            if (pv.draw)
                pv.draw(pv.handle, reinterpret_cast<intptr_t>(&painter), pv.user);
        }
        if (pv.framePending.exchange(true))
            continue; // the GUI thread has not shown the last one yet: this one is dropped
        QMetaObject::invokeMethod(
            pv.bridge.get(),
            [preview, shown = frame] {
                preview->framePending = false;
                if (preview->surface)
                    preview->surface->showFrame(shown);
            },
            Qt::QueuedConnection);
    }
    // The video ended by itself (a dropped connection): the picture goes, the window stays.
    if (!stop.stop_requested())
        QMetaObject::invokeMethod(
            pv.bridge.get(), [preview] { delete preview->surface.data(); }, Qt::QueuedConnection);
}

void finish(const std::shared_ptr<Preview> &preview)
{
    preview->thread.request_stop();
    if (preview->thread.joinable())
        preview->thread.join();
    if (onGuiThread() && preview->bridge && QThread::currentThread() == preview->bridge->thread()) {
        delete preview->surface.data();
        preview->bridge.reset(); // frames still queued for it are dropped with it
        return;
    }
    // Elsewhere the widgets are left to the GUI thread.
    if (QObject *bridge = preview->bridge.release()) {
        QMetaObject::invokeMethod(
            bridge, [preview] { delete preview->surface.data(); }, Qt::QueuedConnection);
        bridge->deleteLater();
    }
}

} // namespace

std::int32_t preview_start(std::uint32_t window, std::unique_ptr<FrameSource> source)
{
    if (!source || !onGuiThread() || window == 0)
        return -1;
    QWidget *target = QWidget::find(WId(window));
    if (!target)
        return -1;
    auto preview = std::make_shared<Preview>();
    preview->source = std::move(source);
    preview->window = target->size();
    preview->bridge = std::make_unique<QObject>();
    {
        std::lock_guard lock(g_mutex);
        preview->handle = g_nextHandle++;
    }
    std::promise<bool> opened;
    std::future<bool> openResult = opened.get_future();
    // The thread owns the promise, so setting it never races with its end here.
    preview->thread = std::jthread([preview, opened = std::move(opened)](std::stop_token stop) mutable {
        preview->threadId = std::this_thread::get_id();
        const bool ok = preview->source->open(stop);
        opened.set_value(ok);
        if (ok)
            run(preview, stop);
        preview->source->close();
    });
    if (!openResult.get()) {
        preview->thread.join();
        return -1;
    }
    preview->surface = new Surface(target);
    std::lock_guard lock(g_mutex);
    g_previews[preview->handle] = preview;
    return preview->handle;
}

std::int32_t preview_set_draw(std::int32_t handle, SdkDrawCallback draw, void *user)
{
    const auto preview = previewFor(handle);
    if (!preview)
        return 0;
    if (std::this_thread::get_id() == preview->threadId.load()) {
        // From inside the callback: its own call already holds the lock.
        preview->draw = draw;
        preview->user = user;
        return 1;
    }
    std::lock_guard lock(preview->drawMutex);
    preview->draw = draw;
    preview->user = user;
    return 1;
}

std::int32_t preview_stop(std::int32_t handle)
{
    std::shared_ptr<Preview> preview;
    {
        std::lock_guard lock(g_mutex);
        auto it = g_previews.find(handle);
        if (it == g_previews.end() || std::this_thread::get_id() == it->second->threadId.load())
            return 0;
        preview = std::move(it->second);
        g_previews.erase(it);
    }
    finish(preview);
    return 1;
}

void preview_stop_all()
{
    std::map<std::int32_t, std::shared_ptr<Preview>> all;
    {
        std::lock_guard lock(g_mutex);
        all.swap(g_previews);
    }
    for (auto &[handle, preview] : all)
        finish(preview);
}
