#pragma once
// The framed protocol between the SDK stand-in and dvr-simulator over TCP.
//
// Every message is one frame: a 12-byte header, then `length` body bytes. All integers are
// little-endian.
//   0  "QP"          magic, so a stream that is not ours is refused at once
//   2  kind          Kind below; an answer's kind is its request's kind | 0x80
//   3  status        answers only: Status below; 0 in requests
//   4  sequence      chosen by the client, echoed by the answer
//   8  length        body length, at most MaxBody
//
// Bodies: Login "user\0password\0"; Command the XML request without its NUL, answered by the
// XML answer without a NUL (empty when the status is Failed); Reboot and the answers to Login and
// Reboot are empty. The server answers a connection's requests one by one, in the order they
// came, so a client may send many requests before it reads the first answer.
//
// Live video goes on a connection of its own: after its log-in the client sends Preview with
// the 0-based channel position (u32) as body. PreviewAnswer Ok is followed by one VideoFrame per
// picture, unasked, each a JPEG image of at most MaxVideoWidth x MaxVideoHeight with the frame
// number as sequence, until either side closes; Failed (no such channel, recorder offline) is
// followed by the close. A video connection takes no further requests.
#include <QByteArray>

#include <cstdint>
#include <cstring>
#include <optional>

namespace wire {

constexpr char Magic[2] = {'Q', 'P'};
constexpr std::size_t HeaderSize = 12;
// A request or an answer is at most one 64512-byte buffer of text; anything longer is not ours.
constexpr std::uint32_t MaxBody = 128 * 1024;

enum class Kind : std::uint8_t {
    Login = 1,
    Command = 2,
    Reboot = 3,
    Preview = 4,
    LoginAnswer = 0x81,
    CommandAnswer = 0x82,
    RebootAnswer = 0x83,
    PreviewAnswer = 0x84,
    VideoFrame = 0x85, // pushed by the server; not an answer to a request of that kind
};

// A video picture larger than this is not ours.
constexpr int MaxVideoWidth = 704;
constexpr int MaxVideoHeight = 576;

enum class Status : std::uint8_t {
    Failed = 0, // command: the SDK call fails; reboot: refused; login: wrong user or password
    Ok = 1,
    Offline = 2, // login only: the recorder is rebooting
};

struct Header {
    Kind kind{};
    Status status = Status::Failed;
    std::uint32_t sequence = 0;
    std::uint32_t length = 0;
};

inline Kind answerKind(Kind request) { return Kind(std::uint8_t(request) | 0x80); }

inline void putU32(char *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xff);
}

inline std::uint32_t getU32(const char *p)
{
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i)
        v |= std::uint32_t(std::uint8_t(p[i])) << (8 * i);
    return v;
}

// Appends one frame to `out`.
inline void appendFrame(QByteArray &out, Kind kind, Status status, std::uint32_t sequence, const char *body,
                        std::size_t length)
{
    char header[HeaderSize];
    header[0] = Magic[0];
    header[1] = Magic[1];
    header[2] = char(kind);
    header[3] = char(status);
    putU32(header + 4, sequence);
    putU32(header + 8, std::uint32_t(length));
    out.append(header, HeaderSize);
    if (length)
        out.append(body, qsizetype(length));
}

enum class Parse { Incomplete, Frame, Bad };

// Reads the header at the start of `data`. Bad: not our magic, or a body longer than the
// protocol allows; the stream cannot be trusted after that.
inline Parse parseHeader(const char *data, std::size_t size, Header &header)
{
    if (size >= 1 && data[0] != Magic[0])
        return Parse::Bad;
    if (size >= 2 && data[1] != Magic[1])
        return Parse::Bad;
    if (size < HeaderSize)
        return Parse::Incomplete;
    header.kind = Kind(std::uint8_t(data[2]));
    header.status = Status(std::uint8_t(data[3]));
    header.sequence = getU32(data + 4);
    header.length = getU32(data + 8);
    if (header.length > MaxBody)
        return Parse::Bad;
    return size - HeaderSize >= header.length ? Parse::Frame : Parse::Incomplete;
}

} // namespace wire
