#include "simulator/device.h"

#include "model/catalogue.h"

#include "command/recordcommands.h"
#include "sdk/quellport.h"

#include <pugixml.hpp>

#include <array>
#include <cstdio>
#include <cstring>

namespace dvrsim {
namespace {

// Both digits of a byte at once: every answer of a record is thousands of them.
std::string toHex(const void *data, std::size_t size)
{
    static const std::array<char, 512> pairs = [] {
        static const char digits[] = "0123456789abcdef";
        std::array<char, 512> t{};
        for (std::size_t b = 0; b < 256; ++b) {
            t[2 * b] = digits[b >> 4];
            t[2 * b + 1] = digits[b & 15];
        }
        return t;
    }();
    const auto *p = static_cast<const std::uint8_t *>(data);
    std::string out(2 * size, '0');
    for (std::size_t i = 0; i < size; ++i)
        std::memcpy(out.data() + 2 * i, &pairs[2 * std::size_t(p[i])], 2);
    return out;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// A set payload is stored only when it is exactly the record's bytes in hexadecimal.
bool fromHex(std::string_view text, std::vector<std::uint8_t> &out)
{
    if (text.size() % 2)
        return false;
    out.resize(text.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        int hi = hexDigit(text[2 * i]), lo = hexDigit(text[2 * i + 1]);
        if (hi < 0 || lo < 0)
            return false;
        out[i] = std::uint8_t(hi << 4 | lo);
    }
    return true;
}

template <typename T> std::uint8_t *bytes(T &record, std::size_t &size)
{
    size = sizeof(T);
    return reinterpret_cast<std::uint8_t *>(&record);
}

template <typename T> std::uint8_t *element(std::vector<T> &records, std::int64_t index, std::size_t &size)
{
    if (index < 0 || index >= std::int64_t(records.size()))
        return nullptr;
    return bytes(records[std::size_t(index)], size);
}

struct AnswerBuilder {
    std::string function;
    std::string commandType; // empty: no such element
    std::string result = "ok";
    std::string payloadName;
    std::string payload;
    bool hasPayload = false;

    // In one buffer of the right size: a payload of some kilobytes is copied once.
    std::string text() const
    {
        std::string s;
        s.reserve(160 + function.size() + commandType.size() + result.size() + 2 * payloadName.size() + payload.size());
        s.append("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<command name=\"config\">\n");
        s.append("\t<function>").append(function).append("</function>\n");
        if (!commandType.empty())
            s.append("\t<command_type>").append(commandType).append("</command_type>\n");
        s.append("\t<result>").append(result).append("</result>\n");
        if (hasPayload)
            s.append("\t<")
                .append(payloadName)
                .append(">")
                .append(payload)
                .append("</")
                .append(payloadName)
                .append(">\n");
        s.append("</command>");
        return s;
    }
};

} // namespace

Device::Device(const Profile &profile) : profile_(profile), factory_(makeFactoryState(profile)), state_(factory_) {}

std::uint8_t *Device::locate(std::int32_t getType, std::int32_t channel, std::size_t &size)
{
    // Which records this device type holds is the catalogue's to say.
    const model::RecordKind *kind = model::kindOfGetType(getType);
    if (!kind || !model::travelsOn(kind->held, profile_.deviceType))
        return nullptr;
    DeviceState &s = state_;
    const std::int64_t slot = std::int64_t(channel) - profile_.firstChannel;
    switch (getType) {
    case getCommandOf<DeviceInfoRecord>: return bytes(s.info, size);
    case getCommandOf<NetworkRecord>: return bytes(s.network, size);
    case getCommandOf<DnsNtpRecord>: return bytes(s.dnsNtp, size);
    case getCommandOf<NfsRecord>: return bytes(s.nfs, size);
    case getCommandOf<DdnsRecord>: return bytes(s.ddns, size);
    case getCommandOf<EmailRecord>: return bytes(s.email, size);
    case getCommandOf<Rs232Record>: return bytes(s.rs232, size);
    case getCommandOf<ExceptionRecord>: return bytes(s.exception, size);
    case getCommandOf<DiskRecord>: return bytes(s.disk, size);
    case getCommandOf<DiskGroupRecord>: return bytes(s.diskGroup, size);
    case getCommandOf<ChannelPictureRecord>: return element(s.picture, slot, size);
    case getCommandOf<ChannelRecordingRecord>: return element(s.recording, slot, size);
    case getCommandOf<ChannelCompressionRecord>: return element(s.compression, slot, size);
    case getCommandOf<ChannelTextOverlayRecord>: return element(s.textOverlay, slot, size);
    case getCommandOf<DecoderRecord>: return element(s.decoder, slot, size);
    case getCommandOf<AlarmInRecord>: return element(s.alarmIn, channel, size);
    case getCommandOf<AlarmOutRecord>: return element(s.alarmOut, channel, size);
    default: return nullptr;
    }
}

bool Device::copyRecord(std::int32_t getType, std::int32_t channel, void *out, std::size_t size)
{
    std::lock_guard lock(mutex_);
    std::size_t actual = 0;
    const std::uint8_t *record = locate(getType, channel, actual);
    if (!record || actual != size)
        return false;
    std::memcpy(out, record, size);
    return true;
}

bool Device::handle(std::string_view request, std::string &answer)
{
    std::lock_guard lock(mutex_);
    if (std::chrono::steady_clock::now() < offlineUntil_)
        return false;
    const std::int64_t index = ++received_;
    auto fault = faults_.find(index);
    if (fault != faults_.end() && fault->second == Fault::SdkFailure) {
        faults_.erase(fault);
        answerFor(request, -1); // logged: the device received it
        return false;
    }
    answer = answerFor(request, index);
    return true;
}

std::string Device::answerFor(std::string_view request, std::int64_t index)
{
    Fault fault{};
    bool faulty = false;
    if (auto f = faults_.find(index); f != faults_.end()) {
        fault = f->second;
        faulty = true;
        faults_.erase(f);
    }
    auto has = [&](Fault which) { return faulty && fault == which; };

    AnswerBuilder a;
    pugi::xml_document doc;
    pugi::xml_node root;
    if (doc.load_buffer(request.data(), request.size()))
        root = doc.document_element();
    const std::string function = root ? root.child("function").child_value() : "";
    const std::int32_t type = root ? root.child("command_type").text().as_int() : 0;
    const std::int32_t channel = root ? root.child("channel").text().as_int() : 0;
    log_.push_back({function, type, channel});
    if (index < 0)
        return {};

    a.function = function.empty() ? "unknown" : function;
    if (!root || std::strcmp(root.attribute("name").value(), "config") != 0) {
        a.result = "error";
    } else if (function == "get_dvr_config" || function == "set_dvr_config") {
        const bool isSet = function == "set_dvr_config";
        a.commandType = std::to_string(has(Fault::WrongCommandType) ? type + 1 : type);
        std::size_t size = 0;
        std::uint8_t *record = locate(isSet ? type - 1 : type, channel, size);
        if (!record) {
            a.result = "unsupported";
        } else if (isSet) {
            std::vector<std::uint8_t> payload;
            if (!fromHex(root.child("in_buffer").child_value(), payload) || payload.size() != size ||
                set_record_size(type) != size)
                a.result = "error";
            else if (!has(Fault::ResultFail))
                std::memcpy(record, payload.data(), size);
        } else {
            a.payloadName = "out_buffer";
            a.payload = toHex(record, size);
            a.hasPayload = true;
        }
    } else if (function == "get_scale_config") {
        a.payloadName = "scale";
        a.payload = state_.scale == 1 ? "true" : "false";
        a.hasPayload = true;
    } else if (function == "set_scale_config") {
        const std::string value = root.child("scale").child_value();
        if (value == "true" || value == "false") {
            if (!has(Fault::ResultFail))
                state_.scale = value == "true" ? 1 : 0;
        } else {
            a.result = "error";
        }
    } else if (function == "restore_config") {
        a.function = "restore_cfg";
        if (!has(Fault::ResultFail))
            state_ = factory_;
    } else if (function == "get_ptz_config") {
        a.payloadName = "out_buffer";
        a.payload = toHex(&state_.ptz, sizeof state_.ptz);
        a.hasPayload = true;
    } else {
        a.result = "unsupported";
    }

    if (has(Fault::ResultFail))
        a.result = "fail";
    if (has(Fault::MissingPayload))
        a.hasPayload = false;
    if (has(Fault::OversizedPayload) && a.hasPayload)
        a.payload += std::string(128, 'e');
    if (has(Fault::ShortPayload))
        a.payload.resize(a.payload.size() / 4 * 2);
    if (has(Fault::EmptyPayload))
        a.payload.clear();
    if (has(Fault::StrayCharacter) && a.payload.size() > 81)
        a.payload[81] = 'x'; // the second place of a pair, the length unchanged
    if (has(Fault::WrappedPayload))
        for (std::size_t at = 64; at < a.payload.size(); at += 65)
            a.payload.insert(at, 1, '\n');
    std::string text = a.text();
    if (has(Fault::MalformedXml))
        text.resize(text.size() / 2);
    if (has(Fault::NoTerminator))
        text.assign(SdkBufferSize, 'x');
    return text;
}

void Device::injectFault(Fault fault, int nth)
{
    std::lock_guard lock(mutex_);
    faults_[received_ + (nth < 1 ? 1 : nth)] = fault;
}

void Device::clearFaults()
{
    std::lock_guard lock(mutex_);
    faults_.clear();
}

std::vector<LogEntry> Device::log() const
{
    std::lock_guard lock(mutex_);
    return log_;
}

void Device::clearLog()
{
    std::lock_guard lock(mutex_);
    log_.clear();
}

bool Device::reboot()
{
    std::lock_guard lock(mutex_);
    const auto now = std::chrono::steady_clock::now();
    if (now < offlineUntil_)
        return false;
    offlineUntil_ = now + rebootDuration_;
    log_.push_back({"reboot", 0, 0}); // so a run can tell which recorders it rebooted
    return true;
}

bool Device::online() const
{
    std::lock_guard lock(mutex_);
    return std::chrono::steady_clock::now() >= offlineUntil_;
}

void Device::setRebootDuration(std::chrono::milliseconds duration)
{
    std::lock_guard lock(mutex_);
    rebootDuration_ = duration;
}

void Device::restoreFactory()
{
    std::lock_guard lock(mutex_);
    state_ = factory_;
}

} // namespace dvrsim
