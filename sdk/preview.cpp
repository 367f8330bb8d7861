#include "sdk/preview.h"

#include <QApplication>
#include <QEvent>
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
    void showFrame(QImage &frame)
    {
        frame_.swap(frame);
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

// The GUI thread's end of a preview: it owns the surface and takes the frames the preview's
// thread leaves in its slot. Frames are swapped in and out under the lock, never copied, so an
// image belongs to one thread at a time. Qt's event queue synchronises in ways the thread
// sanitizer cannot see, so the wake-up event is made under the lock and read only after taking
// it. It is deleted only after the preview's thread has been joined.
class Bridge final : public QObject {
public:
    // GUI thread, after the source has opened.
    void show(QWidget *window) { surface_ = new Surface(window); }

    // Preview's thread. Takes the frame and leaves the slot's old content in its place: a null
    // image, or an older frame not yet shown, which is thereby dropped.
    void post(QImage &frame)
    {
        QEvent *wake = nullptr;
        {
            std::lock_guard lock(mutex_);
            slot_.swap(frame);
            if (frame.isNull()) // the slot was empty, so no wake-up is on its way
                wake = new QEvent(wakeType());
        }
        if (wake)
            QCoreApplication::postEvent(this, wake);
    }

    // Preview's thread, when the video has ended by itself: the picture goes, the window stays.
    void end()
    {
        QEvent *wake = nullptr;
        {
            std::lock_guard lock(mutex_);
            ended_ = true;
            if (slot_.isNull())
                wake = new QEvent(wakeType());
        }
        if (wake)
            QCoreApplication::postEvent(this, wake);
    }

    ~Bridge() override { delete surface_.data(); }

protected:
    bool event(QEvent *e) override
    {
        QImage frame;
        bool ended = false;
        {
            std::unique_lock lock(mutex_);
            if (e->type() != wakeType()) {
                lock.unlock(); // QObject::event may delete this
                return QObject::event(e);
            }
            frame.swap(slot_);
            ended = ended_;
        }
        if (ended)
            delete surface_.data();
        else if (surface_ && !frame.isNull())
            surface_->showFrame(frame);
        return true;
    }

private:
    static QEvent::Type wakeType()
    {
        static const auto type = QEvent::Type(QEvent::registerEventType());
        return type;
    }

    QPointer<Surface> surface_; // GUI thread only; the window may take it first
    std::mutex mutex_;
    QImage slot_; // the latest frame not yet shown
    bool ended_ = false;
};

struct Preview {
    std::int32_t handle = -1;
    std::unique_ptr<FrameSource> source;
    QSize window;
    std::unique_ptr<Bridge> bridge; // made on the GUI thread; released there, or handed to it

    std::mutex drawMutex; // held while the callback runs, so removing it waits for the call
    SdkDrawCallback draw = nullptr;
    void *user = nullptr;

    std::atomic<std::thread::id> threadId{}; // set by the thread itself, so it is never read half-made
    std::jthread thread; // last: stopped and joined first when a Preview goes, so it outlives its thread
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

void run(Preview &pv, std::stop_token stop)
{
    QImage frame; // null after a post while the GUI thread keeps up: the source makes a new one
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
        pv.bridge->post(frame);
    }
    // The video ended by itself (a dropped connection).
    if (!stop.stop_requested())
        pv.bridge->end();
}

void finish(Preview &pv)
{
    pv.thread.request_stop();
    if (pv.thread.joinable())
        pv.thread.join();
    if (onGuiThread() && pv.bridge && QThread::currentThread() == pv.bridge->thread()) {
        pv.bridge.reset(); // the picture and any frame not yet shown go with it
        return;
    }
    // Elsewhere the widgets are left to the GUI thread.
    if (Bridge *bridge = pv.bridge.release())
        bridge->deleteLater();
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
    preview->bridge = std::make_unique<Bridge>();
    {
        std::lock_guard lock(g_mutex);
        preview->handle = g_nextHandle++;
    }
    std::promise<bool> opened;
    std::future<bool> openResult = opened.get_future();
    // The thread owns the promise, so setting it never races with its end here.
    preview->thread = std::jthread([&pv = *preview, opened = std::move(opened)](std::stop_token stop) mutable {
        pv.threadId = std::this_thread::get_id();
        const bool ok = pv.source->open(stop);
        opened.set_value(ok);
        if (ok)
            run(pv, stop);
        pv.source->close();
    });
    if (!openResult.get()) {
        preview->thread.join();
        return -1;
    }
    preview->bridge->show(target);
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
    finish(*preview);
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
        finish(*preview);
}
