// Decoding a file's bytes to UTF-8 and encoding them back: the way back is byte-identical.
#include "musicxml/text_encoding.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader_support.h"

namespace qz::musicxml {
namespace {

using testing::ValueOf;

// A score fragment with characters of one, two, three and four UTF-8 bytes.
const std::string kUtf8Body =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<work-title>Caf\xC3\xA9 \xE2\x99\xAF "
    "\xF0\x9D\x84\x9E</work-title>\n";

std::string ToUtf16(const std::string& ascii, bool bigEndian) {
    std::string out;
    for (char c : ascii) {
        out.push_back(bigEndian ? '\0' : c);
        out.push_back(bigEndian ? c : '\0');
    }
    return out;
}

void ExpectRoundTrip(const std::string& bytes, Charset charset, bool mark,
                     const std::string& expectedUtf8) {
    const Result<DecodedText> read = DecodeText(bytes);
    ASSERT_TRUE(read.ok()) << read.status().message();
    const DecodedText& decoded = *read;
    EXPECT_EQ(decoded.format.charset, charset) << CharsetName(decoded.format.charset);
    EXPECT_EQ(decoded.format.byteOrderMark, mark);
    const std::string text(decoded.TextOf(bytes));
    EXPECT_EQ(text, expectedUtf8);
    EXPECT_EQ(ValueOf(EncodeText(text, decoded.format)), bytes);
}

TEST(WriterEncodingTest, EveryEncodingComesBackByteIdentical) {
    ExpectRoundTrip(kUtf8Body, Charset::kUtf8, false, kUtf8Body);
    ExpectRoundTrip("\xEF\xBB\xBF" + kUtf8Body, Charset::kUtf8, true, kUtf8Body);

    // The same text in UTF-16 both ways, with and without a mark; the clef is a surrogate pair.
    const std::string ascii = "<?xml version=\"1.0\" encoding=\"UTF-16\"?><a>x</a>";
    const std::string le = ToUtf16(ascii, false) + std::string("\x34\xD8\x1E\xDD", 4);
    const std::string be = ToUtf16(ascii, true) + std::string("\xD8\x34\xDD\x1E", 4);
    const std::string utf8 = ascii + "\xF0\x9D\x84\x9E";
    ExpectRoundTrip(le, Charset::kUtf16LE, false, utf8);
    ExpectRoundTrip("\xFF\xFE" + le, Charset::kUtf16LE, true, utf8);
    ExpectRoundTrip(be, Charset::kUtf16BE, false, utf8);
    ExpectRoundTrip("\xFE\xFF" + be, Charset::kUtf16BE, true, utf8);

    // Single-byte encodings named by the declaration.
    const std::string latin = "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>Caf\xE9</a>";
    ExpectRoundTrip(latin, Charset::kLatin1, false,
                    "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>Caf\xC3\xA9</a>");
    const std::string ascii7 = "<?xml version='1.0' encoding='us-ascii'?><a/>";
    ExpectRoundTrip(ascii7, Charset::kAscii, false, ascii7);
    ExpectRoundTrip("<a/>", Charset::kUtf8, false, "<a/>");
    ExpectRoundTrip("", Charset::kUtf8, false, "");
}

TEST(WriterEncodingTest, InvalidInputIsRefusedWithItsOffset) {
    struct Case {
        std::string bytes;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"<a>\xC3</a>", "invalid UTF-8 sequence at byte offset 3"},
        {"<a>\xC0\xAF</a>", "invalid UTF-8 sequence at byte offset 3"},       // overlong
        {"<a>\xED\xA0\x80</a>", "invalid UTF-8 sequence at byte offset 3"},   // surrogate
        {"<a>\xF4\x90\x80\x80</a>", "invalid UTF-8 sequence at byte offset 3"},  // > U+10FFFF
        {"\xEF\xBB\xBF<a>\xFF</a>", "invalid UTF-8 sequence at byte offset 3"},
        {std::string("\xFF\xFE<\0a", 5), "UTF-16 text has an odd number of bytes"},
        {std::string("<\0\x00\xDC", 4), "UTF-16 low surrogate without a high one at byte offset 2"},
        {std::string("<\0\x00\xD8<\0", 6),
         "UTF-16 high surrogate without a low one at byte offset 2"},
        {std::string("<\0\x00\xD8", 4),
         "UTF-16 high surrogate without a low one at byte offset 2"},
        {"<?xml version=\"1.0\" encoding=\"US-ASCII\"?><a>\xE9</a>",
         "byte above 127 in US-ASCII text at byte offset 44"},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a/>",
         "unsupported character encoding \"SHIFT_JIS\""},
        {"<?xml version=\"1.0\" encoding=\"UTF-16\"?><a/>",
         "the XML declaration names UTF-16 but the bytes are not UTF-16"},
    };
    for (const Case& c : cases) EXPECT_EQ(DecodeText(c.bytes).status().message(), c.message);
}

TEST(WriterEncodingTest, EncodingRefusesWhatTheCharsetCannotCarry) {
    auto refusal = [](std::string_view utf8, TextFormat format) {
        return EncodeText(std::string(utf8), format).status().message();
    };
    EXPECT_EQ(refusal("caf\xC3\xA9", {Charset::kAscii, false}),
              "character not representable in US-ASCII at byte offset 3");
    EXPECT_EQ(refusal("\xE2\x99\xAF", {Charset::kLatin1, false}),
              "character not representable in ISO-8859-1 at byte offset 0");
    EXPECT_EQ(refusal("a\xC3", {Charset::kUtf16BE, true}), "invalid UTF-8 sequence at byte offset 1");
    EXPECT_EQ(refusal("a\xC3", {Charset::kUtf8, false}), "invalid UTF-8 sequence at byte offset 1");

    // New text in a Latin-1 file: anything below U+0100 is written as one byte.
    EXPECT_EQ(ValueOf(EncodeText("\xC3\xA9\xC3\xBF", {Charset::kLatin1, false})), "\xE9\xFF");
}

TEST(WriterEncodingTest, Utf16UnitsBecomeUtf8AndHalfPairsAReplacementCharacter) {
    EXPECT_EQ(Utf16ToUtf8(u"Caf\u00E9 \U0001D11E"), "Caf\xC3\xA9 \xF0\x9D\x84\x9E");
    const char16_t lone[] = {u'a', 0xD834, u'b', 0xDD1E, 0};
    EXPECT_EQ(Utf16ToUtf8(lone), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

}  // namespace
}  // namespace qz::musicxml
