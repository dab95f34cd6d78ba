#include "musicxml/text_encoding.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

namespace qz::musicxml {
namespace {

constexpr char32_t kMaxCodePoint = 0x10FFFF;

bool IsSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDFFF; }

// Reads one code point of UTF-8 at `pos`; returns its length, or 0 when the sequence is invalid
// (truncated, overlong, a surrogate, or beyond U+10FFFF).
size_t ReadUtf8(std::string_view s, size_t pos, char32_t* out) {
    const auto lead = static_cast<unsigned char>(s[pos]);
    if (lead < 0x80) {
        *out = lead;
        return 1;
    }
    size_t length = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, c = lead & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (s.size() - pos < length) return 0;
    for (size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(s[pos + i]);
        if ((next & 0xC0) != 0x80) return 0;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < minimum || c > kMaxCodePoint || IsSurrogate(c)) return 0;
    *out = c;
    return length;
}

void AppendUtf8(char32_t c, std::string* out) {
    if (c < 0x80) {
        out->push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (c >> 6)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (c >> 12)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (c >> 18)));
        out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

std::string AtByte(const char* what, size_t offset) {
    return std::string(what) + " at byte offset " + std::to_string(offset);
}

bool StartsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

uint16_t Unit16(std::string_view bytes, size_t pos, bool bigEndian) {
    const auto a = static_cast<unsigned char>(bytes[pos]);
    const auto b = static_cast<unsigned char>(bytes[pos + 1]);
    return static_cast<uint16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
}

void AppendUnit16(uint16_t unit, bool bigEndian, std::string* out) {
    const auto high = static_cast<char>(unit >> 8);
    const auto low = static_cast<char>(unit & 0xFF);
    out->push_back(bigEndian ? high : low);
    out->push_back(bigEndian ? low : high);
}

// One code point from UTF-16 units at `*pos` (advanced past it); nothing for half a pair.
std::optional<char32_t> ReadUtf16(std::u16string_view units, size_t* pos) {
    const char32_t c = units[(*pos)++];
    if (c >= 0xDC00 && c <= 0xDFFF) return std::nullopt;
    if (c < 0xD800 || c > 0xDBFF) return c;
    const char32_t low = *pos < units.size() ? units[*pos] : 0;
    if (low < 0xDC00 || low > 0xDFFF) return std::nullopt;
    ++*pos;
    return 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
}

Result<std::string> DecodeUtf16(std::string_view bytes, bool bigEndian) {
    if (bytes.size() % 2 != 0) return Status::Error("UTF-16 text has an odd number of bytes");
    std::u16string units(bytes.size() / 2, u'\0');
    for (size_t i = 0; i < units.size(); ++i) units[i] = Unit16(bytes, 2 * i, bigEndian);
    std::string out;
    out.reserve(bytes.size());
    for (size_t pos = 0; pos < units.size();) {
        const size_t at = pos;
        const std::optional<char32_t> c = ReadUtf16(units, &pos);
        if (!c)
            return Status::Error(AtByte(units[at] >= 0xDC00 && units[at] <= 0xDFFF
                                            ? "UTF-16 low surrogate without a high one"
                                            : "UTF-16 high surrogate without a low one",
                                        2 * at));
        AppendUtf8(*c, &out);
    }
    return out;
}

// Whether the eight bytes at `p` are all ASCII, the common case of markup.
bool EightAscii(const char* p) {
    uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}

Status CheckUtf8(std::string_view text) {
    for (size_t pos = 0; pos < text.size();) {
        if (text.size() - pos >= 8 && EightAscii(text.data() + pos)) {
            pos += 8;
            continue;
        }
        char32_t c = 0;
        const size_t length = ReadUtf8(text, pos, &c);
        if (length == 0) return Status::Error(AtByte("invalid UTF-8 sequence", pos));
        pos += length;
    }
    return Status();
}

// The encoding named by the XML declaration of single-byte text; empty when none is named.
std::string DeclaredEncoding(std::string_view bytes) {
    if (!StartsWith(bytes, "<?xml")) return {};
    const size_t close = bytes.find("?>");
    const std::string_view declaration = bytes.substr(0, close);
    const size_t key = declaration.find("encoding");
    if (key == std::string_view::npos) return {};
    size_t pos = key + 8;
    while (pos < declaration.size() && (declaration[pos] == ' ' || declaration[pos] == '\t' ||
                                        declaration[pos] == '\r' || declaration[pos] == '\n' ||
                                        declaration[pos] == '='))
        ++pos;
    if (pos >= declaration.size() || (declaration[pos] != '"' && declaration[pos] != '\''))
        return {};
    const char quote = declaration[pos];
    const size_t end = declaration.find(quote, pos + 1);
    if (end == std::string_view::npos) return {};
    std::string name(declaration.substr(pos + 1, end - pos - 1));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return name;
}

bool CharsetFromName(const std::string& name, Charset* charset) {
    if (name.empty() || name == "UTF-8" || name == "UTF8") {
        *charset = Charset::kUtf8;
    } else if (name == "ISO-8859-1" || name == "ISO_8859-1" || name == "LATIN1" ||
               name == "LATIN-1" || name == "L1" || name == "ISO8859-1") {
        *charset = Charset::kLatin1;
    } else if (name == "US-ASCII" || name == "ASCII") {
        *charset = Charset::kAscii;
    } else {
        return false;
    }
    return true;
}

Result<std::string> DecodeSingleByte(std::string_view bytes, Charset charset) {
    std::string out;
    out.reserve(bytes.size());
    for (size_t pos = 0; pos < bytes.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(bytes[pos]);
        if (charset == Charset::kAscii && byte >= 0x80)
            return Status::Error(AtByte("byte above 127 in US-ASCII text", pos));
        AppendUtf8(byte, &out);
    }
    return out;
}

Result<DecodedText> Decoded(Result<std::string> utf8, TextFormat format) {
    if (!utf8.ok()) return utf8.status();
    return DecodedText{format, true, std::move(*utf8)};
}

// UTF-8 stays where it is once checked.
Result<DecodedText> Checked(std::string_view text, TextFormat format) {
    if (Status s = CheckUtf8(text); !s.ok()) return s;
    return DecodedText{format, false, {}};
}

}  // namespace

const char* CharsetName(Charset charset) {
    switch (charset) {
        case Charset::kUtf8: return "UTF-8";
        case Charset::kUtf16LE: return "UTF-16LE";
        case Charset::kUtf16BE: return "UTF-16BE";
        case Charset::kLatin1: return "ISO-8859-1";
        case Charset::kAscii: return "US-ASCII";
    }
    return "?";
}

Result<DecodedText> DecodeText(std::string_view bytes) {
    TextFormat format;
    if (StartsWith(bytes, "\xEF\xBB\xBF")) {
        format.byteOrderMark = true;
        return Checked(bytes.substr(3), format);
    }
    const bool markLE = StartsWith(bytes, "\xFF\xFE");
    const bool markBE = StartsWith(bytes, "\xFE\xFF");
    // Without a mark, UTF-16 shows itself by a zero byte in the first character ('<' or a space).
    const bool bareLE = bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0';
    const bool bareBE = bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] != '\0';
    if (markLE || markBE || bareLE || bareBE) {
        format.charset = (markLE || bareLE) ? Charset::kUtf16LE : Charset::kUtf16BE;
        format.byteOrderMark = markLE || markBE;
        const size_t skip = format.byteOrderMark ? 2 : 0;
        return Decoded(DecodeUtf16(bytes.substr(skip), format.charset == Charset::kUtf16BE),
                       format);
    }
    const std::string declared = DeclaredEncoding(bytes);
    if (declared == "UTF-16" || declared == "UTF16")
        return Status::Error("the XML declaration names UTF-16 but the bytes are not UTF-16");
    if (!CharsetFromName(declared, &format.charset))
        return Status::Error("unsupported character encoding \"" + declared + "\"");
    if (format.charset == Charset::kUtf8) return Checked(bytes, format);
    return Decoded(DecodeSingleByte(bytes, format.charset), format);
}

Result<std::string> EncodeText(std::string utf8, const TextFormat& format) {
    std::string bytes;
    const Charset charset = format.charset;
    if (charset == Charset::kUtf8) {
        if (Status s = CheckUtf8(utf8); !s.ok()) return s;
        if (!format.byteOrderMark) return utf8;  // already the bytes
        bytes.reserve(utf8.size() + 3);
        if (format.byteOrderMark) bytes.append("\xEF\xBB\xBF");
        bytes.append(utf8);
        return bytes;
    }
    const bool utf16 = charset == Charset::kUtf16LE || charset == Charset::kUtf16BE;
    const bool bigEndian = charset == Charset::kUtf16BE;
    bytes.reserve(utf16 ? utf8.size() * 2 + 2 : utf8.size());
    if (utf16 && format.byteOrderMark) AppendUnit16(0xFEFF, bigEndian, &bytes);
    for (size_t pos = 0; pos < utf8.size();) {
        char32_t c = 0;
        const size_t length = ReadUtf8(utf8, pos, &c);
        if (length == 0) return Status::Error(AtByte("invalid UTF-8 sequence", pos));
        if (utf16 && c >= 0x10000) {
            AppendUnit16(static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)), bigEndian, &bytes);
            AppendUnit16(static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)), bigEndian,
                         &bytes);
        } else if (utf16) {
            AppendUnit16(static_cast<uint16_t>(c), bigEndian, &bytes);
        } else if (c < (charset == Charset::kAscii ? 0x80u : 0x100u)) {
            bytes.push_back(static_cast<char>(c));
        } else {
            return Status::Error(std::string("character not representable in ") +
                                 CharsetName(charset) + " at byte offset " + std::to_string(pos));
        }
        pos += length;
    }
    return bytes;
}

std::string Utf16ToUtf8(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (size_t pos = 0; pos < units.size();)
        AppendUtf8(ReadUtf16(units, &pos).value_or(0xFFFD), &out);
    return out;
}

}  // namespace qz::musicxml
