#pragma once
// Simulated recorders on the network: each one listens on its own port and speaks the framed
// protocol of sdk/wire.h; a line-based control port lets tests inject faults, read the command
// log, reboot a recorder and inspect its records.
#include "simulator/device.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>
#include <vector>

class QTcpServer;

namespace dvrsim {

struct DeviceConfig {
    Profile profile;
    int rebootMs = 1500;
};

struct ServerOptions {
    QHostAddress listen{QHostAddress::LocalHost};
    quint16 port = 9000;  // device i listens on port + i; 0 gives every device a free port
    int controlPort = -1; // -1: no control interface; 0: a free port
    std::vector<DeviceConfig> devices{DeviceConfig{}};
    QByteArray user = "admin";
    QByteArray password = "12345";
    QString stateFile; // empty: the configuration is not kept
    int latencyMs = 0; // each way
};

class DeviceEndpoint;

class SimServer : public QObject {
public:
    explicit SimServer(ServerOptions options, QObject *parent = nullptr);
    ~SimServer() override;

    // Loads the state file, if any, then opens every port. False with a message on any failure;
    // a state file that cannot be used is left as it is.
    bool start(QString &error);

    // One line per device, then the control port, then "ready".
    QByteArray banner() const;

    // Writes the state and leaves the event loop: exit code 0, or 1 if the state could not be
    // written. Only the first call counts.
    void shutdown();

    // For the connections.
    int latencyMs() const { return latencyMs_; }
    bool credentialsMatch(const QByteArray &user, const QByteArray &password) const;
    void stateChanged(); // written once the current burst of commands is over
    void saveStateNow();

    // One control request (without its newline); the reply, each line ending in '\n'.
    QByteArray control(const QByteArray &line, bool &quit);

private:
    DeviceEndpoint *deviceArgument(const QByteArray &text, QByteArray &reply);

    ServerOptions options_;
    int latencyMs_ = 0;
    std::vector<std::unique_ptr<DeviceEndpoint>> endpoints_;
    QTcpServer *controlServer_ = nullptr;
    QTimer saveTimer_;
    bool shuttingDown_ = false;
};

} // namespace dvrsim
