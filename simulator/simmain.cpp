// dvr-simulator: simulated recorders on TCP ports, for the SDK stand-in and the tests.
#include "simulator/server.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/socket.h>
#include <unistd.h>

namespace {

// Signals only write a byte here; the event loop reads it and shuts down.
int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const int saved = errno;
    const char byte = char(number);
    if (::write(signalPipe[1], &byte, 1) < 0) {
        // Full: a shutdown is already on its way.
    }
    errno = saved;
}

bool installSignalPipe(QString &error)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, signalPipe) != 0) {
        error = QStringLiteral("cannot create the signal pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : {SIGINT, SIGTERM}) {
        if (::sigaction(number, &action, nullptr) != 0) {
            error = QStringLiteral("cannot install a signal handler");
            return false;
        }
    }
    // A client that goes away while we write to it must not end the process.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

int fail(const QString &message)
{
    std::fprintf(stderr, "dvr-simulator: %s\n", qPrintable(message));
    return 2;
}

bool number(const QString &text, int low, int high, int &out)
{
    bool ok = false;
    out = text.toInt(&ok);
    return ok && out >= low && out <= high;
}

} // namespace

int main(int argc, char **argv)
{
    // The cameras draw their overlay text, which needs a GUI application; a server has no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dvr-simulator"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulated recorders answering configuration commands over TCP, one port each."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption listen(QStringLiteral("listen"), QStringLiteral("Address to listen on."),
                                    QStringLiteral("ADDR"), QStringLiteral("127.0.0.1"));
    const QCommandLineOption port(QStringLiteral("port"),
                                  QStringLiteral("Port of device 0; device i gets P+i. 0: free ports."),
                                  QStringLiteral("P"), QStringLiteral("9000"));
    const QCommandLineOption device(QStringLiteral("device"),
                                    QStringLiteral("A recorder's profile, e.g. type=82&channels=8&first=1&alarmin=8"
                                                   "&alarmout=4&disks=4&reboot_ms=1500. May be repeated; device k has "
                                                   "id=k (its serial, name, address, MAC) unless given."),
                                    QStringLiteral("PROFILE"));
    const QCommandLineOption user(QStringLiteral("user"), QStringLiteral("User name."), QStringLiteral("NAME"),
                                  QStringLiteral("admin"));
    const QCommandLineOption password(QStringLiteral("password"), QStringLiteral("Password."), QStringLiteral("WORD"),
                                      QStringLiteral("12345"));
    const QCommandLineOption state(QStringLiteral("state"),
                                   QStringLiteral("File keeping the configuration across restarts."),
                                   QStringLiteral("FILE"));
    const QCommandLineOption control(
        QStringLiteral("control-port"),
        QStringLiteral("Port of the control interface (off unless given; 0: a free port)."), QStringLiteral("P"));
    const QCommandLineOption latency(QStringLiteral("latency-ms"), QStringLiteral("Latency each way."),
                                     QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption reboot(QStringLiteral("reboot-ms"), QStringLiteral("Time a reboot takes."),
                                    QStringLiteral("N"), QStringLiteral("1500"));
    parser.addOptions({listen, port, device, user, password, state, control, latency, reboot});

    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return fail(QStringLiteral("unexpected argument %1").arg(parser.positionalArguments().first()));

    dvrsim::ServerOptions options;
    if (!options.listen.setAddress(parser.value(listen)))
        return fail(QStringLiteral("--listen: not an address: %1").arg(parser.value(listen)));
    int value = 0;
    if (!number(parser.value(port), 0, 65535, value))
        return fail(QStringLiteral("--port: not a port: %1").arg(parser.value(port)));
    options.port = quint16(value);
    if (parser.isSet(control)) {
        if (!number(parser.value(control), 0, 65535, options.controlPort))
            return fail(QStringLiteral("--control-port: not a port: %1").arg(parser.value(control)));
    }
    if (!number(parser.value(latency), 0, 60000, options.latencyMs))
        return fail(QStringLiteral("--latency-ms: expected 0..60000, got %1").arg(parser.value(latency)));
    int rebootMs = 0;
    if (!number(parser.value(reboot), 0, 600000, rebootMs))
        return fail(QStringLiteral("--reboot-ms: expected 0..600000, got %1").arg(parser.value(reboot)));
    options.user = parser.value(user).toUtf8();
    options.password = parser.value(password).toUtf8();
    options.stateFile = parser.value(state);

    const QStringList profiles = parser.values(device);
    if (profiles.size() > 256)
        return fail(QStringLiteral("--device: at most 256 devices, one per identity"));
    if (!profiles.isEmpty()) {
        options.devices.clear();
        for (const QString &text : profiles) {
            dvrsim::DeviceConfig config;
            config.rebootMs = rebootMs;
            // Device k is the fleet's k-th recorder unless its profile says otherwise.
            config.profile.identity = int(options.devices.size());
            const QByteArray query = text.toUtf8();
            if (!dvrsim::parseProfile(std::string_view(query.constData(), std::size_t(query.size())), config.profile,
                                      config.rebootMs))
                return fail(QStringLiteral("--device: bad profile: %1").arg(text));
            options.devices.push_back(config);
        }
    } else {
        options.devices.front().rebootMs = rebootMs;
    }

    QString error;
    if (!installSignalPipe(error))
        return fail(error);
    dvrsim::SimServer server(std::move(options));
    QSocketNotifier notifier(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&notifier, &QSocketNotifier::activated, &server, [&server] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        server.shutdown();
    });
    if (!server.start(error))
        return fail(error);

    const QByteArray banner = server.banner();
    std::fwrite(banner.constData(), 1, std::size_t(banner.size()), stdout);
    std::fflush(stdout);
    return QCoreApplication::exec();
}
