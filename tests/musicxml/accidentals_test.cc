// Which notes need an accidental against a key signature, theoretical keys included.
#include <gtest/gtest.h>

#include <string>

#include <pugixml.hpp>

#include "musicxml/write/accidentals.h"

namespace qz::musicxml {
namespace {

TEST(Accidentals, KeySignaturesPastSevenAlterTheirStepsAgain) {
    struct Case {
        const char* key;
        const char* step;
        int alter;
        bool needed;
    };
    const Case cases[] = {
        {"<key><fifths>-8</fifths></key>", "B", -2, false},  // the eighth flat doubles B
        {"<key><fifths>-8</fifths></key>", "C", -1, false},
        {"<key><fifths>-8</fifths></key>", "C", 0, true},
        {"<key><fifths>-11</fifths></key>", "D", -2, false},
        {"<key><fifths>-11</fifths></key>", "G", -2, true},
        {"<key><fifths>9</fifths></key>", "C", 2, false},
        {"<key><fifths>9</fifths></key>", "G", 1, false},
        {"<key><fifths>7</fifths></key>", "F", 2, true},
        {"<key><fifths>2</fifths></key>", "G", 0, false},
        {"<key><fifths>99</fifths></key>", "F", 0, false},  // no key a file can mean: C major
    };
    for (const Case& c : cases) {
        pugi::xml_document doc;
        const std::string text = std::string("<m>") + c.key + "<pitch><step>" + c.step +
                                 "</step><alter>" + std::to_string(c.alter) +
                                 "</alter><octave>4</octave></pitch></m>";
        ASSERT_TRUE(doc.load_string(text.c_str()));
        const MeasureAlterations alterations(doc.child("m").child("key"));
        EXPECT_EQ(alterations.NeedsAccidental({}, doc.child("m").child("pitch")), c.needed)
            << c.key << " " << c.step << c.alter;
    }
}

}  // namespace
}  // namespace qz::musicxml
