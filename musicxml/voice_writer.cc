// Rewriting the voices of one measure: finding each voice's span, choosing the divisions, and
// writing the new notes with the span's other elements kept at their times.
#include "musicxml/voice_writer.h"
#include "musicxml/xml_values.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "musicxml/divisions.h"

namespace qz::musicxml {
namespace writer {
namespace {

using divisions::Sum;



bool IsWhitespace(const char* value) { return Trimmed(value).empty(); }

// The <duration> of a note, backup or forward, in division units.
bool ReadDuration(pugi::xml_node node, Fraction* units, std::string* problem) {
    const std::optional<Fraction> value = divisions::ParseValue(node.child_value("duration"));
    if (!value || value->num < 0) {
        *problem = std::string("a <") + node.name() + "> has no readable <duration>";
        return false;
    }
    *units = *value;
    return true;
}

bool ReadVoiceAndStaff(pugi::xml_node node, MeasureItem* item, std::string* problem) {
    item->hasVoice = static_cast<bool>(node.child("voice"));
    item->voice = item->hasVoice ? Trimmed(node.child_value("voice")) : "1";
    if (node.child("staff")) {
        const std::optional<Fraction> staff = divisions::ParseValue(node.child_value("staff"));
        if (!staff || staff->den != 1 || staff->num < 1 || staff->num > 1000) {
            *problem = "a <staff> value is not a staff number";
            return false;
        }
        item->staff = static_cast<int>(staff->num);
    }
    return true;
}

bool Advance(Fraction* cursor, Fraction by, std::string* problem) {
    const std::optional<Fraction> next = Sum(*cursor, by);
    if (!next) {
        *problem = "the measure's durations are too large to add up";
        return false;
    }
    *cursor = *next;
    return true;
}

}  // namespace

bool ScanMeasure(pugi::xml_node measure, MeasureScan* scan, std::string* problem) {
    *scan = MeasureScan{};
    Fraction cursor, chordOnset;
    bool timedSeen = false;
    bool changedAfterTimed = false;
    for (pugi::xml_node child = measure.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_pcdata && IsWhitespace(child.value())) continue;
        MeasureItem item;
        item.node = child;
        item.onset = cursor;
        const bool timed = child.type() == pugi::node_element &&
                           (Named(child, "note") || Named(child, "backup") ||
                            Named(child, "forward"));
        if (timed && changedAfterTimed) {
            *problem = "the measure changes <divisions> after its first note";
            return false;
        }
        if (child.type() == pugi::node_element && Named(child, "note")) {
            item.kind = ItemKind::kNote;
            item.grace = static_cast<bool>(child.child("grace"));
            item.cue = static_cast<bool>(child.child("cue"));
            Fraction length;
            if (!item.grace && !ReadDuration(child, &length, problem)) return false;
            if (!ReadVoiceAndStaff(child, &item, problem)) return false;
            if (child.child("chord")) {
                item.onset = chordOnset;
            } else {
                chordOnset = cursor;
                if (!item.grace && !Advance(&cursor, length, problem)) return false;
            }
            timedSeen = true;
        } else if (child.type() == pugi::node_element &&
                   (Named(child, "backup") || Named(child, "forward"))) {
            const bool backup = Named(child, "backup");
            item.kind = backup ? ItemKind::kBackup : ItemKind::kForward;
            Fraction length;
            if (!ReadDuration(child, &length, problem)) return false;
            if (!backup && !ReadVoiceAndStaff(child, &item, problem)) return false;
            if (!Advance(&cursor, backup ? Fraction{-length.num, length.den} : length, problem))
                return false;
            if (cursor.num < 0) {
                *problem = "a <backup> goes back before the start of the measure";
                return false;
            }
            timedSeen = true;
        } else if (child.type() == pugi::node_element && Named(child, "attributes") &&
                   child.child("divisions") && timedSeen) {
            changedAfterTimed = true;
        }
        item.cursorAfter = cursor;
        if (item.kind == ItemKind::kNote || item.kind == ItemKind::kForward) {
            scan->namesVoices = scan->namesVoices || item.hasVoice;
            scan->namesStaves = scan->namesStaves || static_cast<bool>(child.child("staff"));
        }
        scan->items.push_back(std::move(item));
    }
    scan->endsWithDivisions = changedAfterTimed;
    return true;
}

bool BelongsToVoice(const MeasureScan& scan, const MeasureItem& item, int staff,
                    const std::string& voice) {
    if (item.kind == ItemKind::kNote) return item.voice == voice && item.staff == staff;
    if (item.kind != ItemKind::kForward) return false;
    if (!item.hasVoice && scan.namesVoices) return false;  // a plain move of the cursor
    const bool staffMatches = !item.node.child("staff") || item.staff == staff;
    return item.voice == voice && staffMatches;
}

bool FindVoiceSpan(const MeasureScan& scan, int staff, const std::string& voice, size_t* first,
                   size_t* last, std::string* problem) {
    problem->clear();
    bool found = false;
    for (size_t i = 0; i < scan.items.size(); ++i) {
        if (!BelongsToVoice(scan, scan.items[i], staff, voice)) continue;
        if (!found) *first = i;
        *last = i;
        found = true;
    }
    // A voice on two staves in one measure (cross-staff chords included) cannot be rewritten on
    // one of them alone.
    for (const MeasureItem& item : scan.items) {
        if (item.kind == ItemKind::kNote && item.voice == voice && item.staff != staff) {
            *problem = "voice " + voice + " has notes on staff " + std::to_string(item.staff) +
                       " too";
            return true;
        }
    }
    if (!found) return false;
    if (scan.items[*first].node.child("chord")) {
        *problem = "voice " + voice + " continues a chord of another voice";
        return true;
    }
    for (size_t i = *first; i <= *last; ++i) {
        const MeasureItem& item = scan.items[i];
        const bool own = BelongsToVoice(scan, item, staff, voice);
        if (own && (item.grace || item.cue)) {
            *problem = "voice " + voice + " has " + (item.grace ? "grace" : "cue") + " notes";
        } else if (!own && (item.kind == ItemKind::kNote ||
                            (item.kind == ItemKind::kForward && item.hasVoice))) {
            *problem = "voice " + voice + " is interleaved with voice " + item.voice;
        }
        if (!problem->empty()) return true;
    }
    return true;
}

}  // namespace writer

namespace {

using namespace writer;
using divisions::Order;

// The child after which a voice absent from the measure is added: the last note, backup or
// forward (so the new voice follows the others), else the last element.
const MeasureItem* InsertionAnchor(const MeasureScan& scan) {
    const MeasureItem* anchor = nullptr;
    for (const MeasureItem& item : scan.items)
        if (item.kind != ItemKind::kKept) anchor = &item;
    if (anchor != nullptr) return anchor;
    for (const MeasureItem& item : scan.items)
        if (item.node.type() == pugi::node_element) anchor = &item;
    return anchor;
}

// Where each voice goes: a span to replace, or an insertion point after `anchor`.
struct Placement {
    const VoiceRewrite* voice = nullptr;
    bool insert = false;
    size_t first = 0, last = 0;  // span items (replace)
    ByteRange bytes;             // replaced bytes; insert: empty range at the anchor's end
    size_t layoutAt = 0;         // a child whose line sets the indentation
    Fraction start, end;         // the cursor before and after, in division units
    bool restoreCursor = true;   // something timed or placed follows, so `end` must be reached
};

bool Fail(std::string* error, std::string message) {
    *error = std::move(message);
    return false;
}

bool Place(std::string_view text, const MeasureScan& scan, const VoiceRewrite& voice,
           Placement* placement, std::string* error) {
    placement->voice = &voice;
    std::string problem;
    size_t first = 0, last = 0;
    if (FindVoiceSpan(scan, voice.staff, voice.voice, &first, &last, &problem)) {
        if (!problem.empty()) return Fail(error, problem);
        ByteRange a, b;
        if (!NodeRange(text, scan.items[first].node, &a) ||
            !NodeRange(text, scan.items[last].node, &b))
            return Fail(error, "the voice's notes cannot be located in the text");
        *placement = {&voice, false, first, last, {a.begin, b.end}, a.begin,
                      scan.items[first].onset, scan.items[last].cursorAfter};
        return true;
    }
    const MeasureItem* anchor = InsertionAnchor(scan);
    ByteRange at;
    if (anchor == nullptr || !NodeRange(text, anchor->node, &at))
        return Fail(error, "the measure is empty");
    *placement = {&voice, true, 0, 0, {at.end, at.end}, at.begin, anchor->cursorAfter,
                  anchor->cursorAfter};
    placement->restoreCursor = anchor != &scan.items.back();
    return true;
}

// Every time the new measure must express, in quarter notes. False when one of the measure's
// own times cannot be turned into quarters (too large): nothing is then written.
bool TimesToExpress(const MeasureScan& scan, const std::vector<VoiceRewrite>& voices,
                    int64_t current, std::vector<Fraction>* times) {
    for (const MeasureItem& item : scan.items) {
        for (Fraction units : {item.onset, item.cursorAfter}) {
            const std::optional<Fraction> quarters = divisions::Quotient(units, current);
            if (!quarters) return false;
            times->push_back(*quarters);
        }
    }
    for (const VoiceRewrite& voice : voices) {
        times->push_back(voice.length);
        for (const NewEntry& entry : voice.entries) {
            times->push_back(entry.onset);
            times->push_back(entry.duration);
        }
    }
    return true;
}

bool CheckEntries(const VoiceRewrite& voice, std::string* error) {
    Fraction end;
    if (voice.length.den <= 0 || voice.length.num < 0) return Fail(error, "bad measure length");
    for (const NewEntry& entry : voice.entries) {
        if (entry.onset.den <= 0 || entry.duration.den <= 0 || entry.duration.num <= 0)
            return Fail(error, "a rewritten entry has no positive duration");
        if (Order(entry.onset, end) < 0) return Fail(error, "rewritten entries overlap");
        const std::optional<Fraction> next = divisions::Sum(entry.onset, entry.duration);
        if (!next) return Fail(error, "a rewritten entry lies too far");
        end = *next;
    }
    return true;
}

// Writes the voice into `out`: entries in onset order, kept elements at their times, the
// cursor moved with <forward>/<backup> so that it ends where the replaced span left it.
class VoiceStream {
public:
    VoiceStream(const VoiceContext& context, Fraction length, XmlOut* out)
        : context_(context), length_(length), out_(out) {}

    // Moves the cursor to `to` (quarters). Time the voice has not covered, up to the measure's
    // length, is filled with its rests; other moves are plain cursor moves.
    bool MoveTo(Fraction to) {
        if (Order(to, cursor_) < 0) {
            if (!Emit(divisions::Difference(cursor_, to), -1, false)) return false;
            cursor_ = to;
            return true;
        }
        const Fraction covered = Order(voiceEnd_, cursor_) > 0 ? voiceEnd_ : cursor_;
        const Fraction padEnd = Order(to, length_) < 0 ? to : length_;
        const Fraction upToCovered = Order(to, covered) < 0 ? to : covered;
        if (!Emit(divisions::Difference(upToCovered, cursor_), 1, false)) return false;
        if (Order(padEnd, covered) > 0) {
            if (!WriteRests(context_, covered, padEnd, out_) &&
                !Emit(divisions::Difference(padEnd, covered), 1, true))
                return false;
            voiceEnd_ = padEnd;
        }
        const Fraction resumed = Order(padEnd, covered) > 0 ? padEnd : covered;
        if (Order(to, resumed) > 0 && !Emit(divisions::Difference(to, resumed), 1, false))
            return false;
        cursor_ = to;
        return true;
    }

    void Start(Fraction at) { cursor_ = at; }
    void Played(Fraction end) {
        cursor_ = end;
        if (Order(end, voiceEnd_) > 0) voiceEnd_ = end;
    }

private:
    bool Emit(std::optional<Fraction> quarters, int sign, bool ownVoice) {
        if (!quarters) return false;
        if (quarters->num == 0) return true;
        const std::optional<Fraction> units = divisions::Scaled(*quarters, context_.divisions);
        if (!units || units->den != 1) return false;
        WriteMove(context_, sign * units->num, ownVoice, out_);
        return true;
    }

    const VoiceContext& context_;
    Fraction length_;
    XmlOut* out_;
    Fraction cursor_;
    Fraction voiceEnd_;
};

struct KeptItem {
    pugi::xml_node node;
    Fraction at;  // quarters
};

bool WriteVoice(std::string_view text, const MeasureScan& scan, const Placement& placement,
                int64_t current, int64_t finer, const std::vector<Edit>& scaleEdits,
                const MeasureAlterations& alterations, std::string* written,
                std::string* error) {
    const VoiceRewrite& voice = *placement.voice;
    const pugi::xml_node measure = voice.measure;
    VoiceContext context{text, &voice, finer,
                         scan.namesVoices || voice.voice != "1",
                         scan.namesStaves || voice.staff != 1, {}, &alterations};
    std::vector<KeptItem> kept;
    if (!placement.insert) {
        for (size_t i = placement.first; i <= placement.last; ++i) {
            const MeasureItem& item = scan.items[i];
            if (item.kind == ItemKind::kNote) context.originalNotes.push_back(item.node);
            if (item.kind == ItemKind::kKept)
                kept.push_back({item.node, *divisions::Quotient(item.onset, current)});
        }
    }
    std::stable_sort(kept.begin(), kept.end(), [](const KeptItem& a, const KeptItem& b) {
        return Order(a.at, b.at) < 0;
    });
    XmlOut out(text, LayoutAt(text, placement.layoutAt, measure), placement.insert);
    VoiceStream stream(context, voice.length, &out);
    stream.Start(*divisions::Quotient(placement.start, current));
    // The voice is written from the measure's start, so that a gap before its first entry is
    // filled like any other.
    bool ok = stream.MoveTo(Fraction{});
    const std::vector<std::vector<pugi::xml_node>> slurs = SlursToWrite(voice);
    size_t next = 0;
    auto keptUpTo = [&](std::optional<Fraction> limit) {
        for (; next < kept.size() && (!limit || Order(kept[next].at, *limit) <= 0); ++next)
            if (!stream.MoveTo(kept[next].at) || !out.Copy(0, kept[next].node, scaleEdits))
                return false;
        return true;
    };
    for (size_t i = 0; ok && i < voice.entries.size(); ++i) {
        const NewEntry& entry = voice.entries[i];
        ok = keptUpTo(entry.onset) && stream.MoveTo(entry.onset) &&
             WriteEntry(context, entry, slurs[i], &out, error);
        if (!ok) break;
        stream.Played(*divisions::Sum(entry.onset, entry.duration));
    }
    ok = ok && keptUpTo(std::nullopt) && stream.MoveTo(voice.length) &&
         (!placement.restoreCursor ||
          stream.MoveTo(*divisions::Quotient(placement.end, current)));
    if (!ok) return error->empty() ? Fail(error, "the voice cannot be written exactly") : false;
    *written = out.Text();
    return true;
}

// The text of an <attributes> holding only <divisions>.
std::string DivisionsElement(std::string_view text, size_t layoutAt, pugi::xml_node measure,
                             int64_t value, bool breakFirst) {
    XmlOut out(text, LayoutAt(text, layoutAt, measure), breakFirst);
    out.Line(0, "<attributes>");
    out.Leaf(1, "divisions", std::to_string(value));
    out.End(0, "</attributes>");
    return out.Text();
}

// States `finer` at the measure's start: the leading <divisions> value changes, or a new
// <attributes> goes before the first child that is neither <print> nor <attributes>.
bool StateFinerDivisions(std::string_view text, pugi::xml_node measure, int64_t finer,
                         std::vector<Edit>* edits) {
    ByteRange range;
    if (const pugi::xml_node leading = divisions::LeadingDivisions(measure)) {
        if (!divisions::ValueRange(text, leading, &range)) return false;
        edits->push_back({range.begin, range.end, std::to_string(finer)});
        return true;
    }
    pugi::xml_node before;
    pugi::xml_node lastLeading;
    for (pugi::xml_node child = measure.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        if (!Named(child, "print") && !Named(child, "attributes")) {
            before = child;
            break;
        }
        lastLeading = child;
    }
    if (before) {
        if (!NodeRange(text, before, &range)) return false;
        const Layout layout = LayoutAt(text, range.begin, measure);
        edits->push_back({range.begin, range.begin,
                          DivisionsElement(text, range.begin, measure, finer, false) +
                              layout.newline + layout.indent});
        return true;
    }
    if (!lastLeading || !NodeRange(text, lastLeading, &range)) return false;
    edits->push_back({range.end, range.end,
                      DivisionsElement(text, range.begin, measure, finer, true)});
    return true;
}

// States the part's own divisions again after the measure's last child, for the next measure.
bool RestoreDivisions(std::string_view text, pugi::xml_node measure, int64_t current,
                      std::vector<Edit>* edits) {
    if (!measure.next_sibling("measure")) return true;  // nothing follows that needs it
    pugi::xml_node last = measure.last_child();
    while (last && last.type() != pugi::node_element) last = last.previous_sibling();
    ByteRange range;
    if (!last || !NodeRange(text, last, &range)) return false;
    edits->push_back({range.end, range.end,
                      DivisionsElement(text, range.begin, measure, current, true)});
    return true;
}

bool Rewritten(const MeasureScan& scan, const MeasureItem& item,
               const std::vector<VoiceRewrite>& voices) {
    return std::any_of(voices.begin(), voices.end(), [&](const VoiceRewrite& v) {
        return BelongsToVoice(scan, item, v.staff, v.voice);
    });
}

// What a reader of `staff` has heard by each moment of the measure once it is rewritten: the
// notes of the voices left as they were and the new notes, except those tied from before.
MeasureAlterations AlterationsOf(const MeasureScan& scan, const std::vector<VoiceRewrite>& voices,
                                 const VoiceRewrite& voice, int64_t current) {
    const int staff = voice.staff;
    MeasureAlterations alterations(voice.key);
    auto tiedFromBefore = [](pugi::xml_node note) {
        for (pugi::xml_node tie = note.child("tie"); tie; tie = tie.next_sibling("tie"))
            if (std::strcmp(tie.attribute("type").value(), "stop") == 0) return true;
        return false;
    };
    for (const MeasureItem& item : scan.items)
        if (item.kind == ItemKind::kNote && item.staff == staff && !tiedFromBefore(item.node) &&
            !Rewritten(scan, item, voices))
            alterations.Heard(*divisions::Quotient(item.onset, current), item.node.child("pitch"));
    for (const VoiceRewrite& other : voices)
        for (const NewEntry& entry : other.entries)
            for (const NewPitch& pitch : entry.pitches)
                if (other.staff == staff && !pitch.tieStop)
                    alterations.Heard(entry.onset, pitch.donor.child("pitch"));
    return alterations;
}

bool Inside(const Edit& edit, const std::vector<Placement>& placements) {
    return std::any_of(placements.begin(), placements.end(), [&](const Placement& p) {
        return edit.begin >= p.bytes.begin && edit.end <= p.bytes.end && !p.insert;
    });
}

bool WellFormed(const std::string& fragment) {
    pugi::xml_document document;
    const std::string wrapped = "<m>" + fragment + "</m>";
    return document.load_buffer(wrapped.data(), wrapped.size(), pugi::parse_default,
                                pugi::encoding_utf8);
}

bool RewriteMeasureWith(const std::string& text, const std::vector<VoiceRewrite>& voices,
                        std::vector<Edit>* edits, std::string* error) {
    const pugi::xml_node measure = voices.front().measure;
    MeasureScan scan;
    if (!measure) return Fail(error, "no measure");
    if (!ScanMeasure(measure, &scan, error)) return false;
    int64_t current = voices.front().divisions;
    if (const pugi::xml_node leading = divisions::LeadingDivisions(measure)) {
        const std::optional<Fraction> stated = divisions::ParseValue(leading.child_value());
        if (!stated || stated->den != 1)
            return Fail(error, "the measure's <divisions> is not a whole number");
        current = stated->num;
    }
    if (current <= 0 || current > divisions::kMaxDivisions)
        return Fail(error, "the measure's divisions are out of range");
    std::vector<Placement> placements;
    for (const VoiceRewrite& voice : voices) {
        if (voice.measure != measure) return Fail(error, "voices of different measures");
        if (!CheckEntries(voice, error)) return false;
        placements.emplace_back();
        if (!Place(text, scan, voice, &placements.back(), error)) return false;
    }
    std::vector<const Placement*> byBytes;
    for (const Placement& p : placements) byBytes.push_back(&p);
    std::sort(byBytes.begin(), byBytes.end(), [](const Placement* a, const Placement* b) {
        return a->bytes.begin < b->bytes.begin;
    });
    for (size_t i = 1; i < byBytes.size(); ++i)
        if (byBytes[i]->bytes.begin < byBytes[i - 1]->bytes.end ||
            (byBytes[i]->voice->staff == byBytes[i - 1]->voice->staff &&
             byBytes[i]->voice->voice == byBytes[i - 1]->voice->voice))
            return Fail(error, "two rewritten voices share the same notes");
    std::vector<Fraction> times;
    if (!TimesToExpress(scan, voices, current, &times))
        return Fail(error, "the measure's durations are too large");
    // From here on every time of the measure is known to convert exactly.
    const std::optional<int64_t> finer = divisions::FinerDivisions(current, times);
    if (!finer) return Fail(error, "the new rhythm needs more divisions than a file may hold");
    const int64_t factor = *finer / current;
    std::vector<Edit> scaleEdits;
    if (factor > 1 && !divisions::ScaleValueEdits(text, measure, factor, &scaleEdits, error))
        return false;
    if (factor > 1 && !StateFinerDivisions(text, measure, *finer, edits))
        return Fail(error, "the measure's start cannot be located in the text");
    for (const Edit& edit : scaleEdits)
        if (!Inside(edit, placements)) edits->push_back(edit);
    for (const Placement& placement : placements) {
        std::string written;
        const MeasureAlterations alterations =
            AlterationsOf(scan, voices, *placement.voice, current);
        if (!WriteVoice(text, scan, placement, current, *finer, scaleEdits, alterations,
                        &written, error))
            return false;
        if (!WellFormed(written)) return Fail(error, "the rewritten voice is not well formed");
        edits->push_back({placement.bytes.begin, placement.bytes.end, std::move(written)});
    }
    // A measure that already states the part's divisions after its last note (an earlier
    // rewrite) keeps that statement, which still holds for the next measure.
    if (factor > 1 && !scan.endsWithDivisions && !RestoreDivisions(text, measure, current, edits))
        return Fail(error, "the measure's end cannot be located in the text");
    return true;
}

}  // namespace

bool CanRewriteVoice(pugi::xml_node part, pugi::xml_node measure, int staff,
                     const std::string& voice, std::string* reason) {
    std::string problem;
    MeasureScan scan;
    size_t first = 0, last = 0;
    if (!part || !measure || measure.parent() != part) {
        problem = "the measure is not part of the part";
    } else if (ScanMeasure(measure, &scan, &problem)) {
        const bool found = FindVoiceSpan(scan, staff, voice, &first, &last, &problem);
        if (!found && InsertionAnchor(scan) == nullptr) problem = "the measure is empty";
    }
    if (reason != nullptr) *reason = problem;
    return problem.empty();
}

bool RewriteMeasureChecked(const std::string& text, const std::vector<VoiceRewrite>& voices,
                           std::vector<Edit>* edits, std::string* error) {
    edits->clear();
    error->clear();
    if (voices.empty()) return true;
    if (RewriteMeasureWith(text, voices, edits, error)) return true;
    edits->clear();
    return false;
}

std::vector<Edit> RewriteMeasure(const std::string& text, const std::vector<VoiceRewrite>& voices) {
    std::vector<Edit> edits;
    std::string error;
    RewriteMeasureChecked(text, voices, &edits, &error);
    return edits;
}

}  // namespace qz::musicxml
