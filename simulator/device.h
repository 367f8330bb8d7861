#pragma once
// A simulated recorder that answers the configuration commands from its native records.
#include "simulator/factory.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace dvrsim {

// Ways the device can misbehave on a chosen command.
enum class Fault {
    SdkFailure,       // the SDK call carrying the command fails
    ResultFail,       // result "fail"
    WrongCommandType, // command_type of the answer differs from the request's
    MalformedXml,     // the answer is cut off in the middle of an element
    MissingPayload,   // out_buffer (or scale) missing
    OversizedPayload, // out_buffer longer than the record
    NoTerminator,     // the answer fills the whole answer buffer without a NUL
    ShortPayload,     // out_buffer holds only the first half of the record
    EmptyPayload,     // out_buffer is empty
    StrayCharacter,   // one digit inside out_buffer replaced by a character that is not one
    WrappedPayload,   // out_buffer broken over lines of 64 digits
};

struct LogEntry {
    std::string function;
    std::int32_t commandType = 0; // 0 for commands that carry none
    std::int32_t channel = 0;
    bool operator==(const LogEntry &) const = default;
};

class Device {
public:
    explicit Device(const Profile &profile = {});

    const Profile &profile() const { return profile_; }

    // The live configuration, for tests to read and write any record. Not synchronised with
    // commands running on other threads; tests use it between commands.
    DeviceState &state() { return state_; }
    const DeviceState &factory() const { return factory_; }

    // Handles one request. False means the SDK call carrying it fails (offline or a fault);
    // otherwise `answer` holds the answer text (without the NUL).
    bool handle(std::string_view request, std::string &answer);

    // The n-th command from now on (1 = the next one) meets the fault.
    void injectFault(Fault fault, int nth = 1);
    void clearFaults();

    std::vector<LogEntry> log() const;
    void clearLog();

    // Reboot: the device is offline for the reboot duration. False while already offline.
    bool reboot();
    bool online() const;
    void setRebootDuration(std::chrono::milliseconds duration);

    void restoreFactory();

    // Where a get command type keeps its record for a channel argument; null when the device
    // has no such record. The size is the record's.
    std::uint8_t *locate(std::int32_t getType, std::int32_t channel, std::size_t &size);

    // Copies a record under the device's lock, for readers on other threads (the video of a
    // preview reads the channel's overlay settings). False when there is no such record or its
    // size is not `size`.
    bool copyRecord(std::int32_t getType, std::int32_t channel, void *out, std::size_t size);

private:
    std::string answerFor(std::string_view request, std::int64_t index);

    Profile profile_;
    DeviceState factory_;
    DeviceState state_;
    mutable std::mutex mutex_;
    std::int64_t received_ = 0;
    std::map<std::int64_t, Fault> faults_;
    std::vector<LogEntry> log_;
    std::chrono::milliseconds rebootDuration_{1500};
    std::chrono::steady_clock::time_point offlineUntil_{};
};

} // namespace dvrsim
