#include "command/gbktext.h"

#include <array>
#include <cstring>
#include <memory>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace gbk {
namespace {

// Double-byte table built once from the platform's code page 936 converter. Only pairs that
// convert to one BMP character and back to the same two bytes count as characters; anything
// else is kept byte by byte, which is what makes decode/encode the identity.
struct Tables {
    std::array<char16_t, 128 * 256> pair{};     // [(lead - 0x80) * 256 + trail] -> code point, 0 = none
    std::array<std::uint16_t, 65536> reverse{}; // code point -> (lead << 8 | trail), or single byte; 0 = none
    char16_t single80 = 0;                      // code page 936 maps 0x80 to the euro sign
};

#ifdef _WIN32
char16_t convert(const char *bytes, int len)
{
    wchar_t out[4];
    int n = MultiByteToWideChar(936, MB_ERR_INVALID_CHARS, bytes, len, out, 4);
    return n == 1 ? char16_t(out[0]) : 0;
}
#else
struct IconvHandle {
    iconv_t cd;
    IconvHandle()
    {
        cd = iconv_open("UTF-16LE", "CP936");
        if (cd == iconv_t(-1))
            cd = iconv_open("UTF-16LE", "GBK");
    }
    ~IconvHandle()
    {
        if (cd != iconv_t(-1))
            iconv_close(cd);
    }
};

char16_t convert(IconvHandle &h, const char *bytes, std::size_t len)
{
    if (h.cd == iconv_t(-1))
        return 0;
    iconv(h.cd, nullptr, nullptr, nullptr, nullptr);
    char in[2];
    std::memcpy(in, bytes, len);
    char out[8];
    char *inp = in;
    char *outp = out;
    std::size_t inLeft = len, outLeft = sizeof out;
    if (iconv(h.cd, &inp, &inLeft, &outp, &outLeft) == std::size_t(-1) || inLeft != 0 || outLeft != sizeof out - 2)
        return 0;
    return char16_t(std::uint8_t(out[0]) | (std::uint8_t(out[1]) << 8));
}
#endif

bool reservedForRawBytes(char16_t cp) { return cp >= 0xF780 && cp <= 0xF7FF; }

// Code page 936's private-use characters, numbered from U+E000 in this order (trail 0x7F is never
// a trail byte): the three user-defined areas, then the unassigned positions of rows A2..A9, D7
// and FE. iconv leaves them undecoded; Windows decodes them, so a backup reads the same on both.
struct PrivateRun {
    std::uint8_t firstLead, lastLead, firstTrail, lastTrail;
};
constexpr PrivateRun PrivateUse[] = {
    {0xAA, 0xAF, 0xA1, 0xFE}, {0xF8, 0xFE, 0xA1, 0xFE}, {0xA1, 0xA7, 0x40, 0xA0}, {0xA2, 0xA2, 0xAB, 0xB0},
    {0xA2, 0xA2, 0xE3, 0xE4}, {0xA2, 0xA2, 0xEF, 0xF0}, {0xA2, 0xA2, 0xFD, 0xFE}, {0xA4, 0xA4, 0xF4, 0xFE},
    {0xA5, 0xA5, 0xF7, 0xFE}, {0xA6, 0xA6, 0xB9, 0xC0}, {0xA6, 0xA6, 0xD9, 0xDF}, {0xA6, 0xA6, 0xEC, 0xED},
    {0xA6, 0xA6, 0xF3, 0xF3}, {0xA6, 0xA6, 0xF6, 0xFE}, {0xA7, 0xA7, 0xC2, 0xD0}, {0xA7, 0xA7, 0xF2, 0xFE},
    {0xA8, 0xA8, 0x96, 0xA0}, {0xA8, 0xA8, 0xBC, 0xBC}, {0xA8, 0xA8, 0xBF, 0xBF}, {0xA8, 0xA8, 0xC1, 0xC4},
    {0xA8, 0xA8, 0xEA, 0xFE}, {0xA9, 0xA9, 0x58, 0x58}, {0xA9, 0xA9, 0x5B, 0x5B}, {0xA9, 0xA9, 0x5D, 0x5F},
    {0xA9, 0xA9, 0x89, 0x95}, {0xA9, 0xA9, 0x97, 0xA3}, {0xA9, 0xA9, 0xF0, 0xFE}, {0xD7, 0xD7, 0xFA, 0xFE},
    {0xFE, 0xFE, 0x50, 0xA0},
};

// Gives the private-use characters to the pairs the converter left undecoded.
void addPrivateUse(Tables &t)
{
    char16_t cp = 0xE000;
    for (const PrivateRun &run : PrivateUse) {
        for (int lead = run.firstLead; lead <= run.lastLead; ++lead) {
            for (int trail = run.firstTrail; trail <= run.lastTrail; ++trail, ++cp) {
                if (trail == 0x7F) {
                    --cp;
                    continue;
                }
                char16_t &slot = t.pair[std::size_t(lead - 0x80) * 256 + std::size_t(trail)];
                if (slot == 0 && t.reverse[cp] == 0) {
                    slot = cp;
                    t.reverse[cp] = std::uint16_t(lead << 8 | trail);
                }
            }
        }
    }
}

std::unique_ptr<Tables> buildTables()
{
    auto t = std::make_unique<Tables>();
#ifndef _WIN32
    IconvHandle h;
    auto conv = [&](const char *b, std::size_t n) { return convert(h, b, n); };
#else
    auto conv = [&](const char *b, std::size_t n) { return convert(b, int(n)); };
#endif
    const char euro = char(0x80);
    char16_t e = conv(&euro, 1);
    if (e >= 0x80 && !reservedForRawBytes(e)) {
        t->single80 = e;
        t->reverse[e] = 0x80;
    }
    for (int lead = 0x81; lead <= 0xFE; ++lead) {
        for (int trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            const char b[2] = {char(lead), char(trail)};
            char16_t cp = conv(b, 2);
            if (cp < 0x80 || reservedForRawBytes(cp) || (cp >= 0xD800 && cp <= 0xDFFF) || t->reverse[cp] != 0)
                continue; // the first pair of a code point wins; later duplicates stay raw bytes
            t->pair[std::size_t(lead - 0x80) * 256 + std::size_t(trail)] = cp;
            t->reverse[cp] = std::uint16_t(lead << 8 | trail);
        }
    }
    addPrivateUse(*t);
    return t;
}

const Tables &tables()
{
    static const std::unique_ptr<Tables> t = buildTables();
    return *t;
}

} // namespace

std::u16string decode(std::string_view bytes)
{
    const Tables &t = tables();
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = std::uint8_t(bytes[i]);
        if (b < 0x80) {
            out.push_back(char16_t(b));
            continue;
        }
        if (b == 0x80 && t.single80) {
            out.push_back(t.single80);
            continue;
        }
        if (i + 1 < bytes.size()) {
            char16_t cp = t.pair[std::size_t(b - 0x80) * 256 + std::uint8_t(bytes[i + 1])];
            if (cp) {
                out.push_back(cp);
                ++i;
                continue;
            }
        }
        out.push_back(rawByteCodePoint(b));
    }
    return out;
}

std::string encode(std::u16string_view text, std::size_t maxBytes)
{
    const Tables &t = tables();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char16_t c = text[i];
        char bytes[2];
        std::size_t n = 1;
        if (c < 0x80) {
            bytes[0] = char(c);
        } else if (reservedForRawBytes(c)) {
            bytes[0] = char(c - 0xF700);
        } else if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
                   text[i + 1] <= 0xDFFF) {
            bytes[0] = '?'; // outside the BMP: GBK has no such character
            ++i;
        } else if (std::uint16_t r = t.reverse[c]; r != 0) {
            if (r > 0xFF) {
                bytes[0] = char(r >> 8);
                bytes[1] = char(r & 0xFF);
                n = 2;
            } else {
                bytes[0] = char(r);
            }
        } else {
            bytes[0] = '?';
        }
        if (out.size() + n > maxBytes)
            break;
        out.append(bytes, n);
    }
    return out;
}

std::u16string readField(const char *field, std::size_t width)
{
    const void *nul = std::memchr(field, 0, width);
    std::size_t len = nul ? std::size_t(static_cast<const char *>(nul) - field) : width;
    return decode(std::string_view(field, len));
}

void writeField(char *field, std::size_t width, std::u16string_view text)
{
    std::string bytes = encode(text, width);
    std::memcpy(field, bytes.data(), bytes.size());
    std::memset(field + bytes.size(), 0, width - bytes.size());
}

std::string toUtf8(std::u16string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace gbk
