// Values counted in divisions: reading and writing decimals exactly, choosing finer divisions, and
// scaling a measure's values.
#include "musicxml/write/divisions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "musicxml/read/score_parse.h"
#include "musicxml/write/splice.h"
#include "reader_support.h"

namespace qz::musicxml::divisions {
namespace {

using testing::ValueOf;

TEST(WriterDivisionsTest, ValuesAreReadAndWrittenExactly) {
    struct Case {
        const char* text;
        int64_t num, den;
        const char* written;
    };
    for (const Case& c : {Case{"12", 12, 1, "12"}, Case{" 1.5\n", 3, 2, "1.5"},
                          Case{"-2", -2, 1, "-2"}, Case{"+0.25", 1, 4, "0.25"},
                          Case{"0.050", 1, 20, "0.05"}, Case{".5", 1, 2, "0.5"}}) {
        const std::optional<Fraction> value = ParseDecimal(c.text);
        ASSERT_TRUE(value.has_value()) << c.text;
        EXPECT_EQ(value->num, c.num) << c.text;
        EXPECT_EQ(value->den, c.den) << c.text;
        EXPECT_EQ(FormatDecimal(*value).value_or("?"), c.written) << c.text;
    }
    for (const char* bad : {"", "1.2.3", "x", "1e3", "-", "99999999999999999999"})
        EXPECT_FALSE(ParseDecimal(bad).has_value()) << bad;
    EXPECT_FALSE(FormatDecimal({1, 3}).has_value());  // no finite decimal
    EXPECT_EQ(FormatDecimal({-7, 8}).value_or("?"), "-0.875");
}

TEST(WriterDivisionsTest, FinerDivisionsAreTheLeastMultipleThatExpressesEverything) {
    EXPECT_EQ(FinerDivisions(2, {{1, 2}, {3, 1}}), 2);
    EXPECT_EQ(FinerDivisions(2, {{1, 3}, {2, 3}}), 6);
    EXPECT_EQ(FinerDivisions(4, {{1, 6}, {1, 10}}), 60);
    EXPECT_EQ(FinerDivisions(1, {{1, kMaxDivisions}}), kMaxDivisions);
    EXPECT_FALSE(FinerDivisions(3, {{1, kMaxDivisions}}).has_value());
    EXPECT_FALSE(FinerDivisions(0, {}).has_value());
    EXPECT_FALSE(FinerDivisions(1, {{1, 0}}).has_value());
}

TEST(WriterDivisionsTest, EveryValueCountedInDivisionsIsScaled) {
    const std::string text = R"(<measure>
  <attributes><divisions>2</divisions></attributes>
  <direction><direction-type><words>a</words></direction-type><offset>-1</offset></direction>
  <note><rest/><duration>3</duration></note>
  <backup><duration>3</duration></backup>
  <figured-bass><figure><figure-number>6</figure-number></figure><duration>1.5</duration></figured-bass>
  <forward><duration>3</duration></forward>
</measure>)";
    pugi::xml_document document;
    ASSERT_TRUE(document.load_buffer(text.data(), text.size(), ScoreParseOptions(),
                                     pugi::encoding_utf8));
    const std::vector<Edit> edits = ValueOf(ScaleValueEdits(text, document.child("measure"), 3));
    EXPECT_EQ(ValueOf(ApplyEdits(text, edits)), R"(<measure>
  <attributes><divisions>2</divisions></attributes>
  <direction><direction-type><words>a</words></direction-type><offset>-3</offset></direction>
  <note><rest/><duration>9</duration></note>
  <backup><duration>9</duration></backup>
  <figured-bass><figure><figure-number>6</figure-number></figure><duration>4.5</duration></figured-bass>
  <forward><duration>9</duration></forward>
</measure>)");
    EXPECT_EQ(LeadingDivisions(document.child("measure")).child_value(), std::string("2"));

    // A value that is not a plain number is not guessed at.
    const std::string odd = "<measure><note><duration><![CDATA[4]]></duration></note></measure>";
    ASSERT_TRUE(document.load_buffer(odd.data(), odd.size(), ScoreParseOptions(),
                                     pugi::encoding_utf8));
    EXPECT_EQ(ScaleValueEdits(odd, document.child("measure"), 3).status().message(),
              "cannot read the <duration> value \"4\"");
}

}  // namespace
}  // namespace qz::musicxml::divisions
