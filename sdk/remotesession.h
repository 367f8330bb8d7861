#pragma once
// A log-in to a dvr-simulator across the network: one TCP connection of the protocol in wire.h,
// made again by itself when a call finds it gone (after a reboot, a timeout, a dropped link).
//
// Every call is bounded: connecting takes at most connectMs, each answer (also the log-in's)
// at most answerMs, and all the answers of a batch together at most batchMs. A call that runs out of time, or meets a
// closed connection or a frame that is not ours, fails and drops the connection, so the stream
// is never read out of step; the next call connects and logs in again.
#include "sdk/quellport.h"

#include <QByteArray>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class FrameSource;
class QDeadlineTimer;
class QTcpSocket;

struct RemoteAddress {
    std::string host;
    std::uint16_t port = 0;
    int connectMs = 3000;
    int answerMs = 5000;
    int batchMs = 30000;
};

// "host:port" or "[v6 address]:port", optionally followed by "?connect_ms=…&answer_ms=…&batch_ms=…".
bool parseRemoteAddress(std::string_view text, RemoteAddress &address);

class RemoteSession {
public:
    RemoteSession(RemoteAddress address, std::string user, std::string password);
    ~RemoteSession();
    RemoteSession(const RemoteSession &) = delete;
    RemoteSession &operator=(const RemoteSession &) = delete;

    // Connects and logs in; false when the recorder cannot be reached or refuses the log-in.
    bool logIn();
    bool command(const char *request, std::int32_t requestLength, char *answer, std::int32_t *answerLength);
    bool batch(const char *const *requests, const std::int32_t *requestLengths, std::int32_t count,
               char *const *answers, std::int32_t *const *answerLengths, SdkProgressCallback progress, void *context);
    bool reboot();
    // The live picture of a channel (0-based position), on a connection of its own that the
    // preview's thread opens: the recorder refuses a channel it does not have.
    std::unique_ptr<FrameSource> camera(int channel) const;

private:
    struct Frame;
    bool connected(QDeadlineTimer &call);
    bool readFrame(Frame &frame, QDeadlineTimer &call);
    bool send(const QByteArray &frames);
    void drop();

    const RemoteAddress address_;
    const std::string user_;
    const std::string password_;
    std::mutex mutex_; // one call at a time on a log-in
    QTcpSocket *socket_ = nullptr;
    QByteArray inbox_;
    qsizetype taken_ = 0; // bytes at the inbox's start already read as frames
    std::uint32_t sequence_ = 0;
};
