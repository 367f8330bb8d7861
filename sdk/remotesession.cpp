#include "sdk/remotesession.h"

#include "sdk/answerbuffer.h"
#include "sdk/preview.h"
#include "sdk/wire.h"

#include <QBuffer>
#include <QDeadlineTimer>
#include <QImageReader>
#include <QTcpSocket>
#include <QThread>

#include <algorithm>
#include <cstring>

namespace {

bool parseBound(std::string_view value, int &out)
{
    if (value.empty() || value.size() > 7 || value.find_first_not_of("0123456789") != std::string_view::npos)
        return false;
    out = std::stoi(std::string(value));
    return out >= 1;
}

int remaining(const QDeadlineTimer &deadline, int limitMs)
{
    return int(std::min<qint64>(deadline.remainingTime(), limitMs));
}

} // namespace

bool parseRemoteAddress(std::string_view text, RemoteAddress &address)
{
    std::string_view query;
    if (const auto mark = text.find('?'); mark != std::string_view::npos) {
        query = text.substr(mark + 1);
        text = text.substr(0, mark);
    }
    const auto colon = text.rfind(':');
    if (colon == std::string_view::npos || colon == 0)
        return false;
    std::string_view host = text.substr(0, colon), port = text.substr(colon + 1);
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']')
            return false;
        host = host.substr(1, host.size() - 2);
    } else if (host.find(':') != std::string_view::npos) {
        return false; // a v6 address needs its brackets
    }
    int portNumber = 0;
    if (!parseBound(port, portNumber) || portNumber > 65535)
        return false;
    RemoteAddress parsed;
    parsed.host = std::string(host);
    parsed.port = std::uint16_t(portNumber);
    while (!query.empty()) {
        const auto end = std::min(query.find('&'), query.size());
        const std::string_view item = query.substr(0, end);
        query = query.substr(std::min(end + 1, query.size()));
        const auto eq = item.find('=');
        if (eq == std::string_view::npos)
            return false;
        const std::string_view key = item.substr(0, eq), value = item.substr(eq + 1);
        int *bound = key == "connect_ms"  ? &parsed.connectMs
                     : key == "answer_ms" ? &parsed.answerMs
                     : key == "batch_ms"  ? &parsed.batchMs
                                          : nullptr;
        if (!bound || !parseBound(value, *bound))
            return false;
    }
    address = std::move(parsed);
    return true;
}

// The body lies in the inbox, valid until the next frame is read.
struct RemoteSession::Frame {
    wire::Header header;
    const char *body = nullptr;
};

RemoteSession::RemoteSession(RemoteAddress address, std::string user, std::string password)
    : address_(std::move(address)), user_(std::move(user)), password_(std::move(password))
{
}

RemoteSession::~RemoteSession() { drop(); }

void RemoteSession::drop()
{
    inbox_.clear();
    taken_ = 0;
    if (!socket_)
        return;
    // A socket belongs to the thread that made it; only that thread may close it at once.
    if (socket_->thread() == QThread::currentThread()) {
        socket_->abort();
        delete socket_;
    } else {
        socket_->deleteLater();
    }
    socket_ = nullptr;
}

bool RemoteSession::send(const QByteArray &frames)
{
    if (socket_->write(frames) != frames.size()) {
        drop();
        return false;
    }
    socket_->flush();
    return true;
}

bool RemoteSession::readFrame(Frame &frame, QDeadlineTimer &call)
{
    const QDeadlineTimer answer(address_.answerMs);
    for (;;) {
        const char *at = inbox_.constData() + taken_;
        switch (wire::parseHeader(at, std::size_t(inbox_.size() - taken_), frame.header)) {
        case wire::Parse::Frame:
            frame.body = at + wire::HeaderSize;
            taken_ += qsizetype(wire::HeaderSize + frame.header.length);
            return true;
        case wire::Parse::Bad: drop(); return false;
        case wire::Parse::Incomplete: break;
        }
        // Frames taken leave the inbox only when it is read again: the answers of a batch arrive
        // together, and moving what follows after each one would make a batch quadratic.
        inbox_.remove(0, taken_);
        taken_ = 0;
        // Read into the inbox itself, whose buffer stays from one read to the next.
        if (const qint64 available = socket_->bytesAvailable(); available > 0) {
            const qsizetype kept = inbox_.size();
            inbox_.resize(kept + qsizetype(available));
            const qint64 n = socket_->read(inbox_.data() + kept, available);
            inbox_.resize(kept + qsizetype(std::max<qint64>(n, 0)));
            continue;
        }
        const int wait = std::min(remaining(call, address_.answerMs), remaining(answer, address_.answerMs));
        if (wait <= 0 || !socket_->waitForReadyRead(wait)) {
            if (socket_->bytesAvailable() > 0)
                continue; // the last bytes came with the close
            drop();
            return false;
        }
    }
}

bool RemoteSession::connected(QDeadlineTimer &call)
{
    if (socket_ && socket_->thread() == QThread::currentThread()) {
        // A connection the recorder closed while we were idle (a reboot, a restart) shows only
        // when we look; anything it sent unasked means the stream is out of step.
        if (socket_->state() == QAbstractSocket::ConnectedState)
            socket_->waitForReadyRead(0);
        if (socket_->state() == QAbstractSocket::ConnectedState && socket_->bytesAvailable() == 0 &&
            inbox_.size() == taken_)
            return true;
    }
    drop();
    socket_ = new QTcpSocket;
    socket_->connectToHost(QString::fromStdString(address_.host), address_.port);
    const int wait = remaining(call, address_.connectMs);
    if (wait <= 0 || !socket_->waitForConnected(wait)) {
        drop();
        return false;
    }
    socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    QByteArray credentials;
    credentials.append(user_.data(), qsizetype(user_.size())).append('\0');
    credentials.append(password_.data(), qsizetype(password_.size())).append('\0');
    QByteArray out;
    const std::uint32_t sequence = ++sequence_;
    wire::appendFrame(out, wire::Kind::Login, wire::Status::Failed, sequence, credentials.constData(),
                      std::size_t(credentials.size()));
    Frame reply;
    if (!send(out) || !readFrame(reply, call))
        return false;
    if (reply.header.kind != wire::Kind::LoginAnswer || reply.header.sequence != sequence ||
        reply.header.status != wire::Status::Ok) {
        drop();
        return false;
    }
    return true;
}

bool RemoteSession::logIn()
{
    std::lock_guard lock(mutex_);
    QDeadlineTimer call(qint64(address_.connectMs) + address_.answerMs);
    return connected(call);
}

bool RemoteSession::command(const char *request, std::int32_t requestLength, char *answer, std::int32_t *answerLength)
{
    return batch(&request, &requestLength, 1, &answer, &answerLength, nullptr, nullptr);
}

bool RemoteSession::batch(const char *const *requests, const std::int32_t *requestLengths, std::int32_t count,
                          char *const *answers, std::int32_t *const *answerLengths, SdkProgressCallback progress,
                          void *context)
{
    if (count < 0 || (count > 0 && (!requests || !requestLengths || !answers || !answerLengths)))
        return false;
    // Every request is checked before anything is sent: a batch goes out whole or not at all.
    std::size_t total = 0;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!requests[i] || requestLengths[i] <= 0 || !answers[i] || !answerLengths[i])
            return false;
        const std::size_t length = strnlen(requests[i], std::size_t(requestLengths[i]));
        if (length > wire::MaxBody)
            return false;
        total += wire::HeaderSize + length;
    }

    std::lock_guard lock(mutex_);
    QDeadlineTimer call(qint64(address_.connectMs) + address_.answerMs +
                        (count > 1 ? address_.batchMs : address_.answerMs));
    if (!connected(call))
        return false;
    const std::uint32_t first = sequence_ + 1;
    QByteArray out;
    out.reserve(qsizetype(total));
    for (std::int32_t i = 0; i < count; ++i)
        wire::appendFrame(out, wire::Kind::Command, wire::Status::Failed, first + std::uint32_t(i), requests[i],
                          strnlen(requests[i], std::size_t(requestLengths[i])));
    sequence_ += std::uint32_t(count);
    if (!send(out))
        return false;
    if (progress)
        progress(0, context);
    // Answers come back in the order the requests went out; each must be the one expected.
    Frame reply;
    for (std::int32_t i = 0; i < count; ++i) {
        if (!readFrame(reply, call))
            return false;
        if (reply.header.kind != wire::Kind::CommandAnswer || reply.header.sequence != first + std::uint32_t(i) ||
            reply.header.status != wire::Status::Ok) {
            drop();
            return false;
        }
        deliverAnswer(reply.body, reply.header.length, answers[i], answerLengths[i]);
        if (progress)
            progress(std::int32_t((i + 1) * 100LL / count), context);
    }
    return true;
}

bool RemoteSession::reboot()
{
    std::lock_guard lock(mutex_);
    QDeadlineTimer call(qint64(address_.connectMs) + 2LL * address_.answerMs);
    if (!connected(call))
        return false;
    QByteArray out;
    const std::uint32_t sequence = ++sequence_;
    wire::appendFrame(out, wire::Kind::Reboot, wire::Status::Failed, sequence, nullptr, 0);
    Frame reply;
    if (!send(out) || !readFrame(reply, call))
        return false;
    const bool accepted = reply.header.kind == wire::Kind::RebootAnswer && reply.header.sequence == sequence &&
                          reply.header.status == wire::Status::Ok;
    // A rebooting recorder drops its clients; the next call logs in again.
    drop();
    return accepted;
}

namespace {

// A video connection to dvr-simulator, used only on the preview's thread.
class RemoteCamera final : public FrameSource {
public:
    RemoteCamera(RemoteAddress address, std::string user, std::string password, int channel)
        : address_(std::move(address)), user_(std::move(user)), password_(std::move(password)), channel_(channel)
    {
    }

    bool open(std::stop_token stop) override
    {
        socket_ = std::make_unique<QTcpSocket>();
        socket_->connectToHost(QString::fromStdString(address_.host), address_.port);
        if (!socket_->waitForConnected(address_.connectMs))
            return false;
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QByteArray credentials;
        credentials.append(user_.data(), qsizetype(user_.size())).append('\0');
        credentials.append(password_.data(), qsizetype(password_.size())).append('\0');
        char channel[4];
        wire::putU32(channel, std::uint32_t(channel_));
        QByteArray out;
        wire::appendFrame(out, wire::Kind::Login, wire::Status::Failed, 1, credentials.constData(),
                          std::size_t(credentials.size()));
        wire::appendFrame(out, wire::Kind::Preview, wire::Status::Failed, 2, channel, sizeof channel);
        if (socket_->write(out) != out.size())
            return false;
        wire::Header header;
        QByteArray body;
        return readFrame(header, body, stop) && header.kind == wire::Kind::LoginAnswer &&
               header.status == wire::Status::Ok && readFrame(header, body, stop) &&
               header.kind == wire::Kind::PreviewAnswer && header.sequence == 2 && header.status == wire::Status::Ok;
    }

    bool next(QImage &frame, std::stop_token stop) override
    {
        wire::Header header;
        QByteArray body;
        // A picture that does not decode is skipped; anything not a picture ends the video.
        while (readFrame(header, body, stop)) {
            if (header.kind != wire::Kind::VideoFrame)
                return false;
            if (decode(body, frame))
                return true;
        }
        return false;
    }

    void close() override { socket_.reset(); } // on the thread that made it

private:
    // The next whole frame. False on a closed connection, a frame that is not ours, no data for
    // the answer time, or a stop.
    bool readFrame(wire::Header &header, QByteArray &body, const std::stop_token &stop)
    {
        QDeadlineTimer quiet(address_.answerMs);
        for (;;) {
            inbox_ += socket_->readAll();
            switch (wire::parseHeader(inbox_.constData(), std::size_t(inbox_.size()), header)) {
            case wire::Parse::Frame:
                body = inbox_.mid(qsizetype(wire::HeaderSize), qsizetype(header.length));
                inbox_.remove(0, qsizetype(wire::HeaderSize + header.length));
                return true;
            case wire::Parse::Bad: return false;
            case wire::Parse::Incomplete: break;
            }
            if (stop.stop_requested() || quiet.hasExpired())
                return false;
            // Short waits, so a stop is seen soon.
            if (!socket_->waitForReadyRead(50)) {
                if (socket_->state() != QAbstractSocket::ConnectedState && socket_->bytesAvailable() == 0)
                    return false;
            } else {
                quiet.setRemainingTime(address_.answerMs);
            }
        }
    }

    static bool decode(QByteArray &jpeg, QImage &frame)
    {
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::ReadOnly);
        QImageReader reader(&buffer, "JPG");
        const QSize size = reader.size();
        if (!size.isValid() || size.width() > wire::MaxVideoWidth || size.height() > wire::MaxVideoHeight)
            return false;
        QImage picture;
        if (!reader.read(&picture) || picture.size() != size)
            return false;
        frame = picture.convertToFormat(QImage::Format_RGB32);
        return true;
    }

    const RemoteAddress address_;
    const std::string user_;
    const std::string password_;
    const int channel_;
    std::unique_ptr<QTcpSocket> socket_;
    QByteArray inbox_;
};

} // namespace

std::unique_ptr<FrameSource> RemoteSession::camera(int channel) const
{
    return std::make_unique<RemoteCamera>(address_, user_, password_, channel);
}
