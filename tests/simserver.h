#pragma once
// A dvr-simulator process of the test's own on free loopback ports, and its control interface.
//
// The server prints, one line each, "device N 127.0.0.1:PORT" for every recorder, then
// "control 127.0.0.1:PORT", then "ready". Control requests are single lines; every reply is one
// line starting with "ok" or "error", except "log", whose "ok N" line is followed by N lines.
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>

#include <csignal>
#ifdef __linux__
#include <sys/prctl.h>
#endif
#include <memory>
#include <string>
#include <vector>

class SimServerProcess {
public:
    SimServerProcess() = default;
    SimServerProcess(const SimServerProcess &) = delete;
    SimServerProcess &operator=(const SimServerProcess &) = delete;
    ~SimServerProcess() { stop(); }

    // Starts the server with `arguments` (ports are added unless given) and waits for "ready".
    bool start(QStringList arguments = {})
    {
        if (!arguments.contains(QStringLiteral("--port")))
            arguments << QStringLiteral("--port") << QStringLiteral("0");
        if (!arguments.contains(QStringLiteral("--control-port")))
            arguments << QStringLiteral("--control-port") << QStringLiteral("0");
        ports_.clear();
        controlPort_ = 0;
        process_ = std::make_unique<QProcess>();
        process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
#ifdef __linux__
        // If the test process dies without stopping it (a sanitizer abort), the server goes too:
        // left running it would keep the test's output open and CTest would wait on it for ever.
        process_->setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
#endif
        process_->start(QStringLiteral(DVR_SIMULATOR_PATH), arguments);
        if (!process_->waitForStarted(10000))
            return false;
        for (;;) {
            while (!process_->canReadLine())
                if (!process_->waitForReadyRead(20000))
                    return false;
            const QString line = QString::fromUtf8(process_->readLine()).trimmed();
            const QStringList words = line.split(QLatin1Char(' '));
            if (line == QStringLiteral("ready"))
                return controlPort_ != 0 && !ports_.empty();
            if (words.size() == 3 && words[0] == QStringLiteral("device"))
                ports_.push_back(words[2].section(QLatin1Char(':'), -1).toUShort());
            else if (words.size() == 2 && words[0] == QStringLiteral("control"))
                controlPort_ = words[1].section(QLatin1Char(':'), -1).toUShort();
        }
    }

    // SIGTERM, then the exit code (-1 when it had to be killed or was not running).
    int stop()
    {
        if (!process_ || process_->state() == QProcess::NotRunning)
            return process_ ? exitCode() : -1;
        control_.reset();
        ::kill(pid_t(process_->processId()), SIGTERM);
        if (!process_->waitForFinished(10000)) {
            process_->kill();
            process_->waitForFinished(5000);
            return -1;
        }
        return exitCode();
    }

    bool running() const { return process_ && process_->state() == QProcess::Running; }
    qint64 processId() const { return process_ ? process_->processId() : 0; }
    std::uint16_t port(int device = 0) const { return ports_.at(std::size_t(device)); }
    std::uint16_t controlPort() const { return controlPort_; }
    std::string address(int device = 0) const { return "127.0.0.1:" + std::to_string(port(device)); }

    // One control request; the reply's first line, or "" when the server did not answer. For "log",
    // `more` receives the lines after it.
    std::string control(const std::string &request, std::vector<std::string> *more = nullptr)
    {
        if (!control_ || control_->state() != QAbstractSocket::ConnectedState) {
            control_ = std::make_unique<QTcpSocket>();
            control_->connectToHost(QStringLiteral("127.0.0.1"), controlPort_);
            if (!control_->waitForConnected(5000))
                return {};
        }
        control_->write(QByteArray::fromStdString(request + "\n"));
        const std::string first = readLine();
        if (more && first.rfind("ok ", 0) == 0) {
            const int count = std::stoi(first.substr(3));
            for (int i = 0; i < count; ++i)
                more->push_back(readLine());
        }
        return first;
    }

private:
    int exitCode() const
    {
        // A program that never started has no exit code, though QProcess reports 0 for it.
        if (process_->error() == QProcess::FailedToStart)
            return -1;
        return process_->exitStatus() == QProcess::NormalExit ? process_->exitCode() : -1;
    }
    std::string readLine()
    {
        while (!control_->canReadLine())
            if (!control_->waitForReadyRead(5000))
                return {};
        return control_->readLine().trimmed().toStdString();
    }

    std::unique_ptr<QProcess> process_;
    std::unique_ptr<QTcpSocket> control_;
    std::vector<std::uint16_t> ports_;
    std::uint16_t controlPort_ = 0;
};
