#include "command/Parsexml.h"

#include "command/commandtypes.h"

#include <pugixml.hpp>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Answers are NUL-terminated within the buffer; one that is not is refused, never overread.
bool answerLength(const char *answer, std::size_t &length)
{
    if (!answer)
        return false;
    const void *nul = std::memchr(answer, 0, SdkBufferSize);
    if (!nul)
        return false;
    length = std::size_t(static_cast<const char *>(nul) - answer);
    return true;
}

struct Expect {
    const char *function;
    bool checkCommandType;
    std::int32_t commandType;
    const char *payload; // child that must exist, or null
};

// Checks in order: parse, document element, name="config", function, command_type, result, payload.
bool checkAnswer(const char *answer, const Expect &e, pugi::xml_document &doc, pugi::xml_node &root)
{
    std::size_t length;
    if (!answerLength(answer, length))
        return false;
    if (!doc.load_buffer(answer, length, pugi::parse_default, pugi::encoding_utf8))
        return false;
    root = doc.document_element();
    if (!root)
        return false;
    pugi::xml_attribute name = root.attribute("name");
    if (!name || std::strcmp(name.value(), "config") != 0)
        return false;
    pugi::xml_node function = root.child("function");
    if (!function || std::strcmp(function.child_value(), e.function) != 0)
        return false;
    if (e.checkCommandType) {
        pugi::xml_node type = root.child("command_type");
        if (!type || std::to_string(e.commandType) != type.child_value())
            return false;
    }
    pugi::xml_node result = root.child("result");
    if (!result || std::strcmp(result.child_value(), "ok") != 0)
        return false;
    if (e.payload && !root.child(e.payload))
        return false;
    return true;
}

bool decodeOutBuffer(const pugi::xml_node &root, void *destination, std::size_t size, std::size_t *decoded = nullptr)
{
    const char *text = root.child("out_buffer").child_value();
    std::size_t written = 0;
    if (!hex_decode(text, std::strlen(text) + 1, destination, size, &written))
        return false;
    if (decoded)
        *decoded = written;
    return true;
}

constexpr std::array<std::int8_t, 256> makeHexTable()
{
    std::array<std::int8_t, 256> t{};
    for (auto &v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[std::size_t(c)] = std::int8_t(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        t[std::size_t(c)] = std::int8_t(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        t[std::size_t(c)] = std::int8_t(c - 'A' + 10);
    return t;
}
constexpr std::array<std::int8_t, 256> HexValue = makeHexTable();

constexpr std::array<char, 512> makeDigitPairs()
{
    std::array<char, 512> t{};
    constexpr char digits[] = "0123456789abcdef";
    for (int b = 0; b < 256; ++b) {
        t[std::size_t(2 * b)] = digits[b >> 4];
        t[std::size_t(2 * b + 1)] = digits[b & 15];
    }
    return t;
}
constexpr std::array<char, 512> DigitPairs = makeDigitPairs();

// Two characters, loaded as one 16-bit value (the first in the low byte: little-endian hosts
// only), to the byte they spell; 0x100 when they are not two hexadecimal digits. One look-up a
// pair: a record's answer holds thousands of them.
const std::uint16_t *pairValues()
{
    static const std::vector<std::uint16_t> table = [] {
        std::vector<std::uint16_t> t(65536, 0x100);
        for (int a = 0; a < 256; ++a)
            for (int b = 0; b < 256; ++b)
                if (HexValue[std::size_t(a)] >= 0 && HexValue[std::size_t(b)] >= 0)
                    t[std::size_t(a | b << 8)] =
                        std::uint16_t(HexValue[std::size_t(a)] << 4 | HexValue[std::size_t(b)]);
        return t;
    }();
    return table.data();
}

std::uint16_t pairAt(const std::uint8_t *at)
{
    std::uint16_t v;
    std::memcpy(&v, at, sizeof v);
    return v;
}

} // namespace

bool parse_get_answer(const char *answer, std::int32_t commandType, void *destination, std::size_t *decoded)
{
    pugi::xml_document doc;
    pugi::xml_node root;
    if (!checkAnswer(answer, {"get_dvr_config", true, commandType, "out_buffer"}, doc, root))
        return false;
    return decodeOutBuffer(root, destination, get_record_size(commandType), decoded);
}

bool parse_set_answer(const char *answer, std::int32_t commandType)
{
    pugi::xml_document doc;
    pugi::xml_node root;
    return checkAnswer(answer, {"set_dvr_config", true, commandType, nullptr}, doc, root);
}

bool parse_get_scale_answer(const char *answer, std::int32_t *scaleFlag)
{
    pugi::xml_document doc;
    pugi::xml_node root;
    if (!scaleFlag || !checkAnswer(answer, {"get_scale_config", false, 0, "scale"}, doc, root))
        return false;
    *scaleFlag = std::strcmp(root.child("scale").child_value(), "true") == 0 ? 1 : 0;
    return true;
}

bool parse_set_scale_answer(const char *answer)
{
    pugi::xml_document doc;
    pugi::xml_node root;
    return checkAnswer(answer, {"set_scale_config", false, 0, nullptr}, doc, root);
}

bool parse_restore_answer(const char *answer)
{
    pugi::xml_document doc;
    pugi::xml_node root;
    return checkAnswer(answer, {"restore_cfg", false, 0, nullptr}, doc, root);
}

bool parse_ptz_answer(const char *answer, void *destination, std::size_t *decoded)
{
    pugi::xml_document doc;
    pugi::xml_node root;
    if (!checkAnswer(answer, {"get_ptz_config", false, 0, "out_buffer"}, doc, root))
        return false;
    return decodeOutBuffer(root, destination, PtzListSize, decoded);
}

bool hex_encode(const void *source, std::size_t n, char *text, std::size_t *textLength)
{
    if (!source || !text || source == static_cast<const void *>(text))
        return false;
    const auto *in = static_cast<const std::uint8_t *>(source);
    for (std::size_t i = 0; i < n; ++i)
        std::memcpy(text + 2 * i, &DigitPairs[std::size_t(in[i]) * 2], 2);
    text[2 * n] = '\0';
    if (textLength)
        *textLength = 2 * n + 1;
    return true;
}

bool hex_decode(const char *text, std::size_t L, void *destination, std::size_t destinationSize, std::size_t *written)
{
    if (!text || !destination || static_cast<const void *>(text) == destination)
        return false;
    const auto *in = reinterpret_cast<const std::uint8_t *>(text);
    const std::size_t pairs = L / 2;
    if (pairs > destinationSize)
        return false;
    // Validate every pair first, so a rejected text leaves the destination as it was. Only the
    // last pair of an odd digit count may end in the text's NUL instead of a second digit.
    const bool singleLast = pairs > 0 && 2 * pairs == L && in[L - 1] == '\0';
    const std::size_t whole = pairs - (singleLast ? 1 : 0);
    const std::uint16_t *value = pairValues();
    std::uint16_t bad = 0;
    for (std::size_t i = 0; i < whole; ++i)
        bad |= value[pairAt(in + 2 * i)];
    if ((bad & 0x100) != 0 || (singleLast && HexValue[in[L - 2]] < 0))
        return false;
    auto *out = static_cast<std::uint8_t *>(destination);
    for (std::size_t i = 0; i < whole; ++i)
        out[i] = std::uint8_t(value[pairAt(in + 2 * i)]);
    if (singleLast)
        out[whole] = std::uint8_t(HexValue[in[L - 2]]); // the single final digit
    if (written)
        *written = pairs;
    return true;
}
