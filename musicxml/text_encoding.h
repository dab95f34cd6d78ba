// The character encodings a MusicXML file arrives in, and the exact way back.
//
// Everything above this file works on UTF-8 text: the parser is always told the text is UTF-8,
// whatever the XML declaration says. What the file used is kept in a TextFormat so that the
// output is written in the same encoding, with the same byte-order mark. For every input that
// decodes, encoding the decoded text again gives the input back byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "musicxml/status.h"

namespace qz::musicxml {

enum class Charset : uint8_t {
    kUtf8,
    kUtf16LE,
    kUtf16BE,
    kLatin1,  // declared ISO-8859-1 / Latin-1: one byte per code point below 256
    kAscii,   // declared US-ASCII: seven-bit bytes only
};

struct TextFormat {
    Charset charset = Charset::kUtf8;
    bool byteOrderMark = false;  // the file began with U+FEFF in its encoding
};

// A file's text as UTF-8 without the byte-order mark, and how the file spelled it. Text that
// already is UTF-8 is not copied (a score can be hundreds of megabytes): it is the input itself,
// after its mark.
struct DecodedText {
    TextFormat format;
    bool converted = false;  // the input was in another encoding: the text is `utf8`
    std::string utf8;
    std::string_view TextOf(std::string_view input) const {
        return converted ? std::string_view(utf8) : input.substr(format.byteOrderMark ? 3 : 0);
    }
};

// Decodes a whole file. The encoding is taken from the byte-order mark, else from the byte
// pattern of "<?xml" (UTF-16 without a mark), else from the XML declaration's encoding name
// (absent: UTF-8). Invalid sequences (bad UTF-8, lone surrogates, odd UTF-16 length, bytes
// outside a declared ASCII) and encodings this tool does not know are refused, with a message
// naming the byte offset. The result may point into `bytes` (TextOf).
Result<DecodedText> DecodeText(std::string_view bytes);

// Encodes UTF-8 text back in `format` (the mark included when the format has one). Fails when
// the text is not valid UTF-8 or holds a character the charset cannot carry.
Result<std::string> EncodeText(std::string utf8, const TextFormat& format);

// UTF-16 code units as UTF-8; a unit that is half of no surrogate pair becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view units);

// The name used in messages ("UTF-16LE", "ISO-8859-1", ...).
const char* CharsetName(Charset charset);

}  // namespace qz::musicxml
