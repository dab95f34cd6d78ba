#include "musicxml/read/measure_timeline.h"

#include <array>
#include <optional>

#include "musicxml/read/score_parse.h"
#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

// A <duration> so long that a measure's positions could no longer be added up exactly.
constexpr int64_t kMaxDurationUnits = int64_t{1} << 40;

// The children of a <note>, <backup> or <forward> that the timeline reads (looking each up by
// name again would be most of a measure's reading time).
struct TimedChildren {
    pugi::xml_node grace, cue, chord, duration, voice, staff;

    explicit TimedChildren(pugi::xml_node holder) {
        static constexpr std::array<const char*, 6> kNames = {"grace", "cue",   "chord",
                                                              "duration", "voice", "staff"};
        const std::array<pugi::xml_node, 6> found = FirstChildren(holder, kNames);
        grace = found[0], cue = found[1], chord = found[2];
        duration = found[3], voice = found[4], staff = found[5];
    }
};

class TimelineReader {
public:
    TimelineReader(std::string_view text, int64_t divisions) : text_(text), divisions_(divisions) {}

    Status Read(pugi::xml_node measure, MeasureTimeline* out);

private:
    Status Note(pugi::xml_node note, const TimedChildren& children, MeasureItem* item);
    Status Move(pugi::xml_node move, const TimedChildren& children, MeasureItem* item);
    Status Attributes(pugi::xml_node attributes);
    // The <duration> of `holder` in quarters (none when absent, which the writer cannot keep).
    Status Duration(pugi::xml_node holder, pugi::xml_node duration, Fraction* quarters);
    void VoiceAndStaff(const TimedChildren& children, MeasureItem* item);
    void Unwritable(std::string why) {
        if (unwritable_.empty()) unwritable_ = std::move(why);
    }
    Status FailAt(const std::string& message, pugi::xml_node where) const {
        return Status::ErrorAt(message, PositionOfNode(text_, where));
    }

    std::string_view text_;
    int64_t divisions_;
    std::optional<int64_t> firstTimedDivisions_;
    Fraction cursor_;
    Fraction entryOnset_;          // where the entry a <chord/> note joins sounds
    Fraction chordOnset_;          // where the last note without <chord/> (grace too) sounds
    bool entryOpen_ = false;       // a note or rest a <chord/> note can join
    bool lastWasGrace_ = false;
    bool divisionsAfterTimed_ = false;
    std::string unwritable_;
};

Status TimelineReader::Read(pugi::xml_node measure, MeasureTimeline* out) {
    std::size_t count = 0;
    for (pugi::xml_node child = measure.first_child(); child; child = child.next_sibling()) ++count;
    out->items.reserve(count);
    for (pugi::xml_node child = measure.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata && Trimmed(child.value()).empty()) continue;
        MeasureItem item;
        item.node = child;
        item.onset = cursor_;
        const bool element = child.type() == pugi::node_element;
        const bool note = element && Named(child, "note");
        const bool move = element && (Named(child, "backup") || Named(child, "forward"));
        if (note || move) {
            if (divisionsAfterTimed_)
                Unwritable("the measure changes <divisions> after its first note");
            if (!firstTimedDivisions_) firstTimedDivisions_ = divisions_;
        }
        Status status;
        if (note || move) {
            const TimedChildren children(child);
            status = note ? Note(child, children, &item) : Move(child, children, &item);
            if (item.kind == ItemKind::kNote || item.kind == ItemKind::kForward) {
                out->namesVoices = out->namesVoices || item.hasVoice;
                out->namesStaves = out->namesStaves || static_cast<bool>(children.staff);
            }
        } else if (element && Named(child, "attributes")) {
            status = Attributes(child);
        }
        if (!status.ok()) return status;
        item.cursorAfter = cursor_;
        out->items.push_back(std::move(item));
    }
    out->divisions = firstTimedDivisions_.value_or(divisions_);
    out->divisionsAtEnd = divisions_;
    out->endsWithDivisions = divisionsAfterTimed_;
    out->unwritable = unwritable_;
    return Status();
}

Status TimelineReader::Note(pugi::xml_node note, const TimedChildren& children,
                            MeasureItem* item) {
    item->kind = ItemKind::kNote;
    item->grace = static_cast<bool>(children.grace);
    item->cue = static_cast<bool>(children.cue);
    const bool chord = static_cast<bool>(children.chord);
    if (item->grace) {
        VoiceAndStaff(children, item);
        if (chord) {
            item->onset = chordOnset_;
        } else {
            chordOnset_ = cursor_;
            lastWasGrace_ = true;
        }
        return Status();
    }
    if (Status s = Duration(note, children.duration, &item->duration); !s.ok()) return s;
    VoiceAndStaff(children, item);
    if (chord && entryOpen_ && !lastWasGrace_) {
        item->joinsChord = true;
        item->onset = entryOnset_;
        return Status();
    }
    const std::optional<Fraction> end = Add(cursor_, item->duration);
    if (!end) return FailAt("the measure's notes add up to more than can be counted", note);
    entryOnset_ = chordOnset_ = cursor_;
    entryOpen_ = true;
    lastWasGrace_ = false;
    cursor_ = *end;
    return Status();
}

Status TimelineReader::Move(pugi::xml_node move, const TimedChildren& children,
                            MeasureItem* item) {
    const bool backup = Named(move, "backup");
    item->kind = backup ? ItemKind::kBackup : ItemKind::kForward;
    Fraction amount;
    if (Status s = Duration(move, children.duration, &amount); !s.ok()) return s;
    if (!backup) VoiceAndStaff(children, item);
    const std::optional<Fraction> moved = backup ? Subtract(cursor_, amount) : Add(cursor_, amount);
    if (!moved) return FailAt("<backup>/<forward> out of range", move);
    cursor_ = *moved;
    if (cursor_.num < 0) {
        Unwritable("a <backup> goes back before the start of the measure");
        cursor_ = Fraction{};
    }
    entryOpen_ = false;
    return Status();
}

Status TimelineReader::Attributes(pugi::xml_node attributes) {
    const pugi::xml_node node = attributes.child("divisions");
    if (!node) return Status();
    if (!ParseInt(node.child_value(), 1, kMaxReadDivisions, &divisions_))
        return FailAt("<divisions> must be a whole number from 1 to 1073741824", node);
    divisionsAfterTimed_ = divisionsAfterTimed_ || firstTimedDivisions_.has_value();
    return Status();
}

Status TimelineReader::Duration(pugi::xml_node holder, pugi::xml_node node, Fraction* quarters) {
    *quarters = Fraction{};
    if (!node) {
        Unwritable(std::string("a <") + holder.name() + "> has no readable <duration>");
        return Status();
    }
    const std::optional<Fraction> units = ParseDecimal(node.child_value());
    if (!units || units->num < 0 || units->num > kMaxDurationUnits)
        return FailAt("<duration> must be a non-negative number", node);
    const std::optional<Fraction> value = Divide(*units, divisions_);
    if (!value) return FailAt("<duration> out of range", node);
    *quarters = *value;
    return Status();
}

void TimelineReader::VoiceAndStaff(const TimedChildren& children, MeasureItem* item) {
    item->hasVoice = static_cast<bool>(children.voice);
    item->voice = Trimmed(children.voice.child_value());
    if (item->voice.empty()) item->voice = "1";
    const pugi::xml_node staff = children.staff;
    int64_t number = 1;
    if (staff && !ParseInt(staff.child_value(), 1, 1000, &number))
        Unwritable("a <staff> value is not a staff number");
    item->staff = static_cast<int>(number);
}

}  // namespace

Result<MeasureTimeline> ReadTimeline(std::string_view text, pugi::xml_node measure,
                                     int64_t divisions) {
    MeasureTimeline timeline;
    if (Status s = TimelineReader(text, divisions).Read(measure, &timeline); !s.ok()) return s;
    return timeline;
}

}  // namespace qz::musicxml
