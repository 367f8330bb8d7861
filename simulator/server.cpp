#include "simulator/server.h"

#include "command/recordcommands.h"
#include "sdk/wire.h"
#include "simulator/statefile.h"
#include "simulator/video.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDateTime>
#include <QTcpServer>
#include <QTcpSocket>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace dvrsim {

using Clock = std::chrono::steady_clock;

namespace {

void warn(const QString &text)
{
    std::fprintf(stderr, "dvr-simulator: %s\n", qPrintable(text));
    std::fflush(stderr);
}

QString hostPort(const QHostAddress &address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

// Faults of the link rather than of the recorder: they change what goes back on the wire.
enum class NetFaultKind { Close, Silent, Slow, OversizeFrame, ShortFrame, Garbage, Reboot };

struct NetFault {
    NetFaultKind kind{};
    int ms = 0;
};

const std::pair<const char *, Fault> DeviceFaultNames[] = {
    {"sdk_failure", Fault::SdkFailure},         {"result_fail", Fault::ResultFail},
    {"wrong_type", Fault::WrongCommandType},    {"malformed_xml", Fault::MalformedXml},
    {"missing_payload", Fault::MissingPayload}, {"oversized_payload", Fault::OversizedPayload},
    {"no_terminator", Fault::NoTerminator},     {"short_payload", Fault::ShortPayload},
    {"empty_payload", Fault::EmptyPayload},     {"stray_character", Fault::StrayCharacter},
    {"wrapped_payload", Fault::WrappedPayload},
};

const std::pair<const char *, NetFaultKind> NetFaultNames[] = {
    {"close", NetFaultKind::Close},
    {"silent", NetFaultKind::Silent},
    {"slow", NetFaultKind::Slow},
    {"oversize_frame", NetFaultKind::OversizeFrame},
    {"short_frame", NetFaultKind::ShortFrame},
    {"garbage", NetFaultKind::Garbage},
    {"reboot", NetFaultKind::Reboot}, // the recorder reboots instead of taking the command
};

// Digits only (an optional leading minus), within [low, high].
bool parseNumber(const QByteArray &text, qint64 low, qint64 high, qint64 &out)
{
    if (text.isEmpty() || text.size() > 12)
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (!(c >= '0' && c <= '9') && !(i == 0 && c == '-' && text.size() > 1))
            return false;
    }
    bool ok = false;
    out = text.toLongLong(&ok);
    return ok && out >= low && out <= high;
}

QByteArray frame(wire::Kind kind, wire::Status status, std::uint32_t sequence, const QByteArray &body = {})
{
    QByteArray out;
    wire::appendFrame(out, kind, status, sequence, body.constData(), std::size_t(body.size()));
    return out;
}

// Requests that may change the records; the state file is written after them.
bool changesState(std::string_view request)
{
    return request.find("set_dvr_config") != std::string_view::npos ||
           request.find("set_scale_config") != std::string_view::npos ||
           request.find("restore_config") != std::string_view::npos;
}

QByteArray garbage(std::uint64_t seed)
{
    QByteArray out(64, '\0');
    std::uint64_t state = seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull;
    for (char &c : out) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        c = char(state >> 24);
    }
    // Never our magic, so a client sees at once that the stream is broken.
    if (out[0] == wire::Magic[0])
        out[0] = char(~out[0]);
    return out;
}

// A function name on one log line: no blanks or line breaks inside, "-" when there is none.
QByteArray logWord(const std::string &function)
{
    if (function.empty())
        return "-";
    QByteArray word = QByteArray::fromStdString(function);
    for (char &c : word)
        if (std::uint8_t(c) <= ' ' || c == 0x7f)
            c = '_';
    return word;
}

} // namespace

class Connection;

// One simulated recorder and its port.
class DeviceEndpoint : public QObject {
public:
    DeviceEndpoint(SimServer &server, int index, const DeviceConfig &config)
        : server(server), index(index), device(config.profile)
    {
        device.setRebootDuration(std::chrono::milliseconds(config.rebootMs));
        connect(&tcp_, &QTcpServer::newConnection, this, &DeviceEndpoint::accept);
    }
    ~DeviceEndpoint() override;

    bool listen(const QHostAddress &address, quint16 port, QString &error)
    {
        if (tcp_.listen(address, port))
            return true;
        error = QStringLiteral("device %1: cannot listen on %2: %3")
                    .arg(index)
                    .arg(hostPort(address, port), tcp_.errorString());
        return false;
    }
    QString address() const { return hostPort(tcp_.serverAddress(), tcp_.serverPort()); }
    void stopListening() { tcp_.close(); }

    // Counts a command frame; the network fault it meets, if any.
    std::optional<NetFault> countCommand()
    {
        const auto f = faults_.find(++commands_);
        if (f == faults_.end())
            return std::nullopt;
        const NetFault fault = f->second;
        faults_.erase(f);
        return fault;
    }
    void injectFault(NetFault fault, std::int64_t nth) { faults_[commands_ + nth] = fault; }
    void clearFaults()
    {
        faults_.clear();
        device.clearFaults();
    }
    std::uint64_t commandsSeen() const { return std::uint64_t(commands_); }

    // A rebooting recorder drops its clients; the state is kept before it goes.
    bool reboot()
    {
        if (!device.reboot())
            return false;
        server.saveStateNow();
        return true;
    }
    void dropConnections();
    void forget(Connection *connection) { std::erase(connections_, connection); }
    int loggedIn() const;

    SimServer &server;
    const int index;
    Device device;

private:
    void accept();

    QTcpServer tcp_;
    std::vector<Connection *> connections_;
    std::int64_t commands_ = 0;
    std::map<std::int64_t, NetFault> faults_;
};

// One client of a recorder: frames in, answers out in the same order, each no earlier than
// its arrival plus the latency there and back.
class Connection : public QObject {
public:
    Connection(DeviceEndpoint &endpoint, QTcpSocket *socket)
        : QObject(&endpoint), endpoint_(endpoint), socket_(socket),
          peer_(hostPort(socket->peerAddress(), socket->peerPort()))
    {
        socket_->setParent(this);
        socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        timer_.setSingleShot(true);
        timer_.setTimerType(Qt::PreciseTimer);
        connect(&timer_, &QTimer::timeout, this, &Connection::pump);
        videoTimer_.setTimerType(Qt::PreciseTimer);
        videoTimer_.setInterval(1000 / FramesPerSecond);
        connect(&videoTimer_, &QTimer::timeout, this, &Connection::sendVideoFrame);
        connect(socket_, &QTcpSocket::readyRead, this, &Connection::readFrames);
        connect(socket_, &QTcpSocket::disconnected, this, &Connection::gone);
    }
    ~Connection() override
    {
        // The socket goes with this object and must not call back into it on its way out.
        socket_->disconnect(this);
    }

    bool loggedIn() const { return loggedIn_ && !closing_; }

    // What was written still goes out; then the socket closes.
    void close()
    {
        if (closing_)
            return;
        closing_ = true;
        reading_ = false;
        outbox_.clear();
        timer_.stop();
        videoTimer_.stop();
        socket_->disconnectFromHost();
        if (socket_->state() != QAbstractSocket::UnconnectedState)
            QTimer::singleShot(3000, this, [this] { socket_->abort(); }); // a peer that never reads
    }

private:
    enum class After { Nothing, Close, DropDevice };
    struct Outgoing {
        Clock::time_point due;
        QByteArray bytes;
        After after = After::Nothing;
    };

    void gone()
    {
        closing_ = true;
        reading_ = false;
        outbox_.clear();
        timer_.stop();
        videoTimer_.stop();
        endpoint_.forget(this);
        deleteLater();
    }

    void readFrames()
    {
        if (!reading_) {
            socket_->readAll();
            return;
        }
        inbox_ += socket_->readAll();
        const Clock::time_point arrival = Clock::now();
        qsizetype at = 0;
        while (reading_) {
            wire::Header header;
            const wire::Parse parse =
                wire::parseHeader(inbox_.constData() + at, std::size_t(inbox_.size() - at), header);
            if (parse == wire::Parse::Incomplete)
                break;
            if (parse == wire::Parse::Bad) {
                refuse(QStringLiteral("bad frame header"));
                break;
            }
            handle(header, inbox_.constData() + at + qsizetype(wire::HeaderSize), arrival);
            at += qsizetype(wire::HeaderSize + header.length);
        }
        // One removal per read rather than per frame: a batch of a hundred frames stays linear.
        if (reading_)
            inbox_.remove(0, at);
        else
            inbox_.clear();
        pump();
    }

    void handle(const wire::Header &header, const char *body, Clock::time_point arrival)
    {
        const Clock::time_point due = arrival + std::chrono::milliseconds(2 * endpoint_.server.latencyMs());
        if (scene_)
            return refuse(QStringLiteral("request on a video connection"));
        switch (header.kind) {
        case wire::Kind::Login: login(header, QByteArray(body, qsizetype(header.length)), due); return;
        case wire::Kind::Command:
            if (!loggedIn_)
                return refuse(QStringLiteral("command before log-in"));
            command(header, std::string_view(body, header.length), due);
            return;
        case wire::Kind::Preview:
            if (!loggedIn_)
                return refuse(QStringLiteral("preview before log-in"));
            preview(header, QByteArray(body, qsizetype(header.length)), due);
            return;
        case wire::Kind::Reboot:
            if (!loggedIn_)
                return refuse(QStringLiteral("reboot before log-in"));
            if (endpoint_.reboot()) {
                reading_ = false;
                send(due, frame(wire::Kind::RebootAnswer, wire::Status::Ok, header.sequence), After::DropDevice);
            } else {
                send(due, frame(wire::Kind::RebootAnswer, wire::Status::Failed, header.sequence));
            }
            return;
        default:
            refuse(QStringLiteral("unknown frame kind 0x%1").arg(unsigned(header.kind), 2, 16, QLatin1Char('0')));
            return;
        }
    }

    void login(const wire::Header &header, const QByteArray &body, Clock::time_point due)
    {
        const qsizetype endUser = body.indexOf('\0');
        const qsizetype endPassword = endUser < 0 ? -1 : body.indexOf('\0', endUser + 1);
        wire::Status status = wire::Status::Failed;
        if (!endpoint_.device.online())
            status = wire::Status::Offline;
        else if (endPassword == body.size() - 1 &&
                 endpoint_.server.credentialsMatch(body.left(endUser),
                                                   body.mid(endUser + 1, endPassword - endUser - 1)))
            status = wire::Status::Ok;
        loggedIn_ = status == wire::Status::Ok;
        if (!loggedIn_)
            reading_ = false;
        send(due, frame(wire::Kind::LoginAnswer, status, header.sequence), loggedIn_ ? After::Nothing : After::Close);
    }

    // The connection turns into the camera of a channel, or is refused and closed.
    void preview(const wire::Header &header, const QByteArray &body, Clock::time_point due)
    {
        const std::uint32_t slot = body.size() == 4 ? wire::getU32(body.constData()) : ~0u;
        const Device &device = endpoint_.device;
        if (slot >= std::uint32_t(device.profile().channels) || !device.online()) {
            reading_ = false;
            send(due, frame(wire::Kind::PreviewAnswer, wire::Status::Failed, header.sequence), After::Close);
            return;
        }
        videoSlot_ = int(slot);
        scene_ = std::make_unique<CameraScene>(videoSlot_);
        videoRecord_ = std::make_unique<ChannelPictureRecord>();
        send(due, frame(wire::Kind::PreviewAnswer, wire::Status::Ok, header.sequence));
        videoTimer_.start();
    }

    void sendVideoFrame()
    {
        // Frames wait for the answer that accepted the preview, and are dropped while the client
        // has not taken the last few.
        if (closing_ || !outbox_.empty() || socket_->bytesToWrite() > 4 * qint64(wire::MaxBody))
            return;
        Device &device = endpoint_.device;
        if (videoFrame_ % 5 == 0 &&
            device.copyRecord(getCommandOf<ChannelPictureRecord>, device.profile().firstChannel + videoSlot_,
                              videoRecord_.get(), sizeof(ChannelPictureRecord)))
            overlay_ = overlayOf(*videoRecord_);
        scene_->render(picture_, videoFrame_, QDateTime::currentDateTime(), overlay_);
        QByteArray jpeg;
        QBuffer buffer(&jpeg);
        buffer.open(QIODevice::WriteOnly);
        if (!picture_.save(&buffer, "JPG", 80) || jpeg.size() > qsizetype(wire::MaxBody))
            return;
        socket_->write(frame(wire::Kind::VideoFrame, wire::Status::Ok, std::uint32_t(videoFrame_++), jpeg));
    }

    void command(const wire::Header &header, std::string_view request, Clock::time_point due)
    {
        const std::optional<NetFault> fault = endpoint_.countCommand();
        if (fault && fault->kind == NetFaultKind::Reboot) {
            // The command never reaches the recorder.
            endpoint_.reboot();
            reading_ = false;
            send(due, {}, After::DropDevice);
            return;
        }
        std::string text;
        const bool handled = endpoint_.device.handle(request, text);
        if (handled && changesState(request))
            endpoint_.server.stateChanged();
        const wire::Status status = handled ? wire::Status::Ok : wire::Status::Failed;
        const auto answer = [&](std::string_view b) {
            QByteArray out;
            out.reserve(qsizetype(wire::HeaderSize + b.size()));
            wire::appendFrame(out, wire::Kind::CommandAnswer, status, header.sequence, b.data(), b.size());
            return out;
        };
        if (!fault) {
            send(due, answer(text));
            return;
        }
        switch (fault->kind) {
        case NetFaultKind::Close:
            reading_ = false;
            send(due, {}, After::Close);
            break;
        case NetFaultKind::Silent: silent_ = true; break;
        case NetFaultKind::Slow: send(due + std::chrono::milliseconds(fault->ms), answer(text)); break;
        case NetFaultKind::OversizeFrame: {
            QByteArray out = answer({});
            wire::putU32(out.data() + 8, wire::MaxBody + 1);
            out.append("oversize");
            send(due, out);
            break;
        }
        case NetFaultKind::ShortFrame: {
            // An empty answer would be complete with its header alone; announce two bytes then.
            const std::string padded = text.empty() ? std::string(2, ' ') : text;
            reading_ = false;
            send(due, answer(padded).left(qsizetype(wire::HeaderSize + padded.size() / 2)), After::Close);
            break;
        }
        case NetFaultKind::Garbage: send(due, garbage(endpoint_.commandsSeen())); break;
        case NetFaultKind::Reboot: break;
        }
    }

    void send(Clock::time_point due, QByteArray bytes, After after = After::Nothing)
    {
        if (silent_)
            bytes.clear();
        if (bytes.isEmpty() && after == After::Nothing)
            return;
        outbox_.push_back({due, std::move(bytes), after});
    }

    // Sends every answer whose time has come, in order, and waits for the next one. Those due
    // together go out in one write: the answers of a batch wake the client once, not each.
    void pump()
    {
        QByteArray due;
        const auto write = [&] {
            if (!due.isEmpty())
                socket_->write(std::exchange(due, {}));
        };
        while (!outbox_.empty() && !closing_) {
            const Clock::time_point now = Clock::now();
            if (outbox_.front().due > now) {
                write();
                const auto wait = std::chrono::ceil<std::chrono::milliseconds>(outbox_.front().due - now);
                timer_.start(int(wait.count()));
                return;
            }
            Outgoing next = std::move(outbox_.front());
            outbox_.pop_front();
            due += next.bytes;
            if (next.after == After::Nothing)
                continue;
            write();
            if (next.after == After::Close)
                close();
            else
                endpoint_.dropConnections();
        }
        write();
    }

    void refuse(const QString &why)
    {
        warn(QStringLiteral("device %1: %2 from %3, closing").arg(endpoint_.index).arg(why, peer_));
        close();
    }

    DeviceEndpoint &endpoint_;
    QTcpSocket *socket_;
    const QString peer_;
    QByteArray inbox_;
    std::deque<Outgoing> outbox_;
    QTimer timer_;
    // A video connection: the camera of one channel.
    QTimer videoTimer_;
    std::unique_ptr<CameraScene> scene_;
    std::unique_ptr<ChannelPictureRecord> videoRecord_;
    Overlay overlay_;
    QImage picture_;
    int videoSlot_ = 0;
    std::int64_t videoFrame_ = 0;
    bool loggedIn_ = false;
    bool reading_ = true; // false once the connection is to end: later requests are not served
    bool silent_ = false;
    bool closing_ = false;
};

DeviceEndpoint::~DeviceEndpoint()
{
    for (Connection *connection : std::exchange(connections_, {}))
        delete connection;
}

void DeviceEndpoint::accept()
{
    while (QTcpSocket *socket = tcp_.nextPendingConnection())
        connections_.push_back(new Connection(*this, socket));
}

void DeviceEndpoint::dropConnections()
{
    const std::vector<Connection *> all = connections_; // closing may remove them from the list
    for (Connection *connection : all)
        connection->close();
}

int DeviceEndpoint::loggedIn() const
{
    int count = 0;
    for (const Connection *connection : connections_)
        count += connection->loggedIn() ? 1 : 0;
    return count;
}

// One client of the control port: a request per line, a reply per request.
class ControlClient : public QObject {
public:
    ControlClient(SimServer &server, QTcpSocket *socket) : QObject(&server), server_(server), socket_(socket)
    {
        socket_->setParent(this);
        connect(socket_, &QTcpSocket::readyRead, this, &ControlClient::readLines);
        connect(socket_, &QTcpSocket::disconnected, this, &QObject::deleteLater);
    }
    ~ControlClient() override { socket_->disconnect(this); }

private:
    static constexpr qsizetype MaxLine = 4096;

    void readLines()
    {
        if (done_) {
            socket_->readAll();
            return;
        }
        buffer_ += socket_->readAll();
        qsizetype at = 0;
        for (qsizetype end; (end = buffer_.indexOf('\n', at)) >= 0; at = end + 1) {
            QByteArray line = buffer_.mid(at, end - at);
            if (line.endsWith('\r'))
                line.chop(1);
            bool quit = false;
            if (overlong_ || line.size() > MaxLine)
                socket_->write("error request too long\n");
            else
                socket_->write(server_.control(line, quit));
            overlong_ = false;
            if (quit) {
                done_ = true;
                socket_->flush();
                // Leave the event loop only after this reply has been handed to the system.
                QTimer::singleShot(0, &server_, &SimServer::shutdown);
                return;
            }
        }
        buffer_.remove(0, at);
        // An endless line is not kept: its start is dropped and its end answered with one error.
        if (buffer_.size() > MaxLine) {
            buffer_.clear();
            overlong_ = true;
        }
    }

    SimServer &server_;
    QTcpSocket *socket_;
    QByteArray buffer_;
    bool overlong_ = false;
    bool done_ = false;
};

SimServer::SimServer(ServerOptions options, QObject *parent)
    : QObject(parent), options_(std::move(options)), latencyMs_(options_.latencyMs)
{
    saveTimer_.setSingleShot(true);
    // Short enough to lose nothing that matters, long enough that a batch of sets is one write.
    saveTimer_.setInterval(20);
    connect(&saveTimer_, &QTimer::timeout, this, &SimServer::saveStateNow);
}

SimServer::~SimServer()
{
    // The connections before anything they refer to.
    endpoints_.clear();
}

bool SimServer::start(QString &error)
{
    for (std::size_t i = 0; i < options_.devices.size(); ++i)
        endpoints_.push_back(std::make_unique<DeviceEndpoint>(*this, int(i), options_.devices[i]));

    if (!options_.stateFile.isEmpty()) {
        std::vector<Device *> devices;
        for (const auto &endpoint : endpoints_)
            devices.push_back(&endpoint->device);
        if (loadState(options_.stateFile, devices, error) == StateLoad::Failed)
            return false;
    }

    for (std::size_t i = 0; i < endpoints_.size(); ++i) {
        const int port = options_.port == 0 ? 0 : int(options_.port) + int(i);
        if (port > 65535) {
            error = QStringLiteral("device %1: port %2 is out of range").arg(i).arg(port);
            return false;
        }
        if (!endpoints_[i]->listen(options_.listen, quint16(port), error))
            return false;
    }

    if (options_.controlPort >= 0) {
        controlServer_ = new QTcpServer(this);
        if (!controlServer_->listen(options_.listen, quint16(options_.controlPort))) {
            error = QStringLiteral("control: cannot listen on %1: %2")
                        .arg(hostPort(options_.listen, quint16(options_.controlPort)), controlServer_->errorString());
            return false;
        }
        connect(controlServer_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = controlServer_->nextPendingConnection())
                new ControlClient(*this, socket);
        });
    }
    return true;
}

QByteArray SimServer::banner() const
{
    QByteArray out;
    for (const auto &endpoint : endpoints_)
        out += QStringLiteral("device %1 %2\n").arg(endpoint->index).arg(endpoint->address()).toUtf8();
    if (controlServer_)
        out += ("control " + hostPort(controlServer_->serverAddress(), controlServer_->serverPort()) + '\n').toUtf8();
    out += "ready\n";
    return out;
}

void SimServer::shutdown()
{
    if (shuttingDown_)
        return;
    shuttingDown_ = true;
    saveTimer_.stop();
    for (const auto &endpoint : endpoints_)
        endpoint->stopListening();
    if (controlServer_)
        controlServer_->close();
    int code = 0;
    if (!options_.stateFile.isEmpty()) {
        QString error;
        std::vector<Device *> devices;
        for (const auto &endpoint : endpoints_)
            devices.push_back(&endpoint->device);
        if (!saveState(options_.stateFile, devices, error)) {
            warn(error);
            code = 1;
        }
    }
    QCoreApplication::exit(code);
}

bool SimServer::credentialsMatch(const QByteArray &user, const QByteArray &password) const
{
    return user == options_.user && password == options_.password;
}

void SimServer::stateChanged()
{
    if (!options_.stateFile.isEmpty() && !shuttingDown_ && !saveTimer_.isActive())
        saveTimer_.start();
}

void SimServer::saveStateNow()
{
    saveTimer_.stop();
    if (options_.stateFile.isEmpty() || shuttingDown_)
        return;
    std::vector<Device *> devices;
    for (const auto &endpoint : endpoints_)
        devices.push_back(&endpoint->device);
    QString error;
    if (!saveState(options_.stateFile, devices, error))
        warn(error);
}

DeviceEndpoint *SimServer::deviceArgument(const QByteArray &text, QByteArray &reply)
{
    qint64 index = 0;
    if (!parseNumber(text, 0, qint64(endpoints_.size()) - 1, index)) {
        reply = "error no such device " + text + '\n';
        return nullptr;
    }
    return endpoints_[std::size_t(index)].get();
}

QByteArray SimServer::control(const QByteArray &line, bool &quit)
{
    const QByteArray request = line.simplified();
    if (request.isEmpty())
        return "error empty request\n";
    const QList<QByteArray> words = request.split(' ');
    const QByteArray &verb = words[0];
    const qsizetype arguments = words.size() - 1;
    const auto usage = [](const char *text) { return QByteArray("error usage: ") + text + '\n'; };

    if (verb == "quit") {
        if (arguments != 0)
            return usage("quit");
        quit = true;
        return "ok\n";
    }
    if (verb == "latency") {
        qint64 ms = 0;
        if (arguments != 1 || !parseNumber(words[1], 0, 60000, ms))
            return usage("latency MS (0..60000)");
        latencyMs_ = int(ms);
        return "ok\n";
    }

    static const QByteArray DeviceVerbs[] = {"fault",  "clear",       "log",    "clearlog", "reboot",
                                             "online", "connections", "record", "scale"};
    if (std::find(std::begin(DeviceVerbs), std::end(DeviceVerbs), verb) == std::end(DeviceVerbs))
        return "error unknown request " + verb + '\n';
    if (arguments < 1)
        return "error missing device\n";
    QByteArray reply;
    DeviceEndpoint *endpoint = deviceArgument(words[1], reply);
    if (!endpoint)
        return reply;
    Device &device = endpoint->device;

    if (verb == "fault") {
        if (arguments < 2 || arguments > 4)
            return usage("fault DEV KIND [NTH] [MS]");
        qint64 nth = 1, ms = 0;
        if (arguments >= 3 && !parseNumber(words[3], 1, 1000000000, nth))
            return "error bad NTH " + words[3] + '\n';
        for (const auto &[name, fault] : DeviceFaultNames) {
            if (words[2] == name) {
                if (arguments > 3)
                    return usage("fault DEV KIND [NTH]");
                device.injectFault(fault, int(nth));
                return "ok\n";
            }
        }
        for (const auto &[name, kind] : NetFaultNames) {
            if (words[2] != name)
                continue;
            if (kind == NetFaultKind::Slow) {
                if (arguments != 4 || !parseNumber(words[4], 0, 600000, ms))
                    return usage("fault DEV slow NTH MS");
            } else if (arguments > 3) {
                return usage("fault DEV KIND [NTH]");
            }
            endpoint->injectFault(NetFault{kind, int(ms)}, nth);
            return "ok\n";
        }
        return "error unknown fault " + words[2] + '\n';
    }
    if (verb == "record") {
        qint64 type = 0, channel = 0;
        if (arguments != 3 || !parseNumber(words[2], INT32_MIN, INT32_MAX, type) ||
            !parseNumber(words[3], INT32_MIN, INT32_MAX, channel))
            return usage("record DEV GETTYPE CHANNEL");
        std::size_t size = 0;
        const std::uint8_t *bytes = device.locate(std::int32_t(type), std::int32_t(channel), size);
        if (!bytes)
            return "error no such record\n";
        return "ok " + QByteArray(reinterpret_cast<const char *>(bytes), qsizetype(size)).toHex() + '\n';
    }

    if (arguments != 1)
        return "error usage: " + verb + " DEV\n";
    if (verb == "clear") {
        endpoint->clearFaults();
        return "ok\n";
    }
    if (verb == "log") {
        const std::vector<LogEntry> log = device.log();
        QByteArray out = "ok " + QByteArray::number(qsizetype(log.size())) + '\n';
        for (const LogEntry &e : log)
            out += logWord(e.function) + ' ' + QByteArray::number(e.commandType) + ' ' + QByteArray::number(e.channel) +
                   '\n';
        return out;
    }
    if (verb == "clearlog") {
        device.clearLog();
        return "ok\n";
    }
    if (verb == "reboot") {
        if (!endpoint->reboot())
            return "error offline\n";
        endpoint->dropConnections();
        return "ok\n";
    }
    if (verb == "online")
        return device.online() ? "ok 1\n" : "ok 0\n";
    if (verb == "connections")
        return "ok " + QByteArray::number(endpoint->loggedIn()) + '\n';
    // scale
    return "ok " + QByteArray::number(device.state().scale) + '\n';
}

} // namespace dvrsim
