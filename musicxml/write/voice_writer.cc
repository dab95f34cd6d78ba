// Rewriting the voices of one measure: finding each voice's span, choosing the divisions, and
// writing the new notes with the span's other elements kept at their times.
#include "musicxml/write/voice_writer.h"
#include "musicxml/xml_values.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "musicxml/write/divisions.h"

namespace qz::musicxml {
namespace writer {
namespace {




}  // namespace

bool BelongsToVoice(const MeasureTimeline& scan, const MeasureItem& item, int staff,
                    const std::string& voice) {
    if (item.kind == ItemKind::kNote) return item.voice == voice && item.staff == staff;
    if (item.kind != ItemKind::kForward) return false;
    if (!item.hasVoice && scan.namesVoices) return false;  // a plain move of the cursor
    const bool staffMatches = !item.node.child("staff") || item.staff == staff;
    return item.voice == voice && staffMatches;
}

Result<std::optional<VoiceSpan>> FindVoiceSpan(const MeasureTimeline& scan, int staff,
                                               const std::string& voice) {
    std::optional<VoiceSpan> span;
    for (size_t i = 0; i < scan.items.size(); ++i) {
        if (!BelongsToVoice(scan, scan.items[i], staff, voice)) continue;
        if (!span) span = VoiceSpan{i, i};
        span->last = i;
    }
    // A voice on two staves in one measure (cross-staff chords included) cannot be rewritten on
    // one of them alone.
    for (const MeasureItem& item : scan.items)
        if (item.kind == ItemKind::kNote && item.voice == voice && item.staff != staff)
            return Status::Error("voice " + voice + " has notes on staff " +
                                 std::to_string(item.staff) + " too");
    if (!span) return span;
    if (scan.items[span->first].node.child("chord"))
        return Status::Error("voice " + voice + " continues a chord of another voice");
    // A chord is written as consecutive notes: one voice's notes cannot join another's chord.
    const size_t end = std::min(span->last + 1, scan.items.size() - 1);
    for (size_t i = span->first; i <= end; ++i) {
        const MeasureItem& item = scan.items[i];
        const bool own = BelongsToVoice(scan, item, staff, voice);
        if (own && (item.grace || item.cue))
            return Status::Error("voice " + voice + " has " + (item.grace ? "grace" : "cue") +
                                 " notes");
        if (i > span->first && item.kind == ItemKind::kNote && item.node.child("chord") &&
            BelongsToVoice(scan, scan.items[i - 1], staff, voice) != own)
            return Status::Error("voice " + item.voice + " continues a chord of voice " +
                                 scan.items[i - 1].voice);
    }
    return span;
}

bool HoldsOtherVoices(const MeasureTimeline& scan, size_t first, size_t last, int staff,
                      const std::string& voice) {
    for (size_t i = first; i <= last; ++i) {
        const MeasureItem& item = scan.items[i];
        if (item.kind == ItemKind::kKept || item.kind == ItemKind::kBackup) continue;
        const bool plainMove =
            item.kind == ItemKind::kForward && !item.hasVoice && scan.namesVoices;
        if (!plainMove && !BelongsToVoice(scan, item, staff, voice)) return true;
    }
    return false;
}

}  // namespace writer

namespace {

using namespace writer;

// The child after which a voice absent from the measure is added: the last note, backup or
// forward (so the new voice follows the others), else the last element.
const MeasureItem* InsertionAnchor(const MeasureTimeline& scan) {
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
    Fraction start, end;         // the cursor before and after, in quarters
    bool restoreCursor = true;   // something timed or placed follows, so `end` must be reached
};

Result<Placement> Place(std::string_view text, const MeasureTimeline& scan,
                        const VoiceRewrite& voice) {
    const Result<std::optional<VoiceSpan>> span = FindVoiceSpan(scan, voice.staff, voice.voice);
    if (!span.ok()) return span.status();
    if (*span) {
        const size_t first = (*span)->first, last = (*span)->last;
        ByteRange a, b;
        if (!NodeRange(text, scan.items[first].node, &a) ||
            !NodeRange(text, scan.items[last].node, &b))
            return Status::Error("the voice's notes cannot be located in the text");
        return Placement{&voice, false, first, last, {a.begin, b.end}, a.begin,
                         scan.items[first].onset, scan.items[last].cursorAfter};
    }
    const MeasureItem* anchor = InsertionAnchor(scan);
    ByteRange at;
    if (anchor == nullptr || !NodeRange(text, anchor->node, &at))
        return Status::Error("the measure is empty");
    return Placement{&voice, true, 0, 0, {at.end, at.end}, at.begin, anchor->cursorAfter,
                     anchor->cursorAfter, anchor != &scan.items.back()};
}

// Every time the new measure must express, in quarter notes.
std::vector<Fraction> TimesToExpress(const MeasureTimeline& scan,
                                     const std::vector<VoiceRewrite>& voices) {
    std::vector<Fraction> times;
    for (const MeasureItem& item : scan.items) {
        times.push_back(item.onset);
        times.push_back(item.cursorAfter);
    }
    for (const VoiceRewrite& voice : voices) {
        times.push_back(voice.length);
        for (const NewEntry& entry : voice.entries) {
            times.push_back(entry.onset);
            times.push_back(entry.duration);
        }
    }
    return times;
}

Status CheckEntries(const VoiceRewrite& voice) {
    Fraction end;
    if (voice.length.den <= 0 || voice.length.num < 0) return Status::Error("bad measure length");
    for (const NewEntry& entry : voice.entries) {
        if (entry.onset.den <= 0 || entry.duration.den <= 0 || entry.duration.num <= 0)
            return Status::Error("a rewritten entry has no positive duration");
        if (Compare(entry.onset, end) < 0) return Status::Error("rewritten entries overlap");
        const std::optional<Fraction> next = Add(entry.onset, entry.duration);
        if (!next) return Status::Error("a rewritten entry lies too far");
        end = *next;
    }
    return Status();
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
        if (Compare(to, cursor_) < 0) {
            if (!Emit(Subtract(cursor_, to), -1, false)) return false;
            cursor_ = to;
            return true;
        }
        const Fraction covered = Compare(voiceEnd_, cursor_) > 0 ? voiceEnd_ : cursor_;
        const Fraction padEnd = Compare(to, length_) < 0 ? to : length_;
        const Fraction upToCovered = Compare(to, covered) < 0 ? to : covered;
        if (!Emit(Subtract(upToCovered, cursor_), 1, false)) return false;
        if (Compare(padEnd, covered) > 0) {
            if (!WriteRests(context_, covered, padEnd, out_) &&
                !Emit(Subtract(padEnd, covered), 1, true))
                return false;
            voiceEnd_ = padEnd;
        }
        const Fraction resumed = Compare(padEnd, covered) > 0 ? padEnd : covered;
        if (Compare(to, resumed) > 0 && !Emit(Subtract(to, resumed), 1, false))
            return false;
        cursor_ = to;
        return true;
    }

    void Start(Fraction at) { cursor_ = at; }
    void Played(Fraction end) {
        cursor_ = end;
        if (Compare(end, voiceEnd_) > 0) voiceEnd_ = end;
    }

private:
    bool Emit(std::optional<Fraction> quarters, int sign, bool ownVoice) {
        if (!quarters) return false;
        if (quarters->num == 0) return true;
        const std::optional<Fraction> units = Multiply(*quarters, context_.divisions);
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

// One voice's new text as one run: where it starts, what it keeps, the cursor it leaves.
struct Run {
    const VoiceRewrite* voice = nullptr;
    std::vector<pugi::xml_node> originalNotes;  // the voice's replaced notes, in file order
    std::vector<KeptItem> kept;                 // other elements placed again at their times
    Fraction start, end;                        // quarters: the cursor before, and after
    bool restoreCursor = true;                  // end at `end`, not at the measure's length
    size_t layoutAt = 0;
    bool breakFirst = false;
};

// The run replacing a voice's span (or added where the voice is absent), with the span's
// other elements.
Run SpanRun(const MeasureTimeline& scan, const Placement& placement) {
    Run run{placement.voice, {}, {}, placement.start, placement.end, placement.restoreCursor,
            placement.layoutAt, placement.insert};
    if (placement.insert) return run;
    for (size_t i = placement.first; i <= placement.last; ++i) {
        const MeasureItem& item = scan.items[i];
        if (item.kind == ItemKind::kNote) run.originalNotes.push_back(item.node);
        if (item.kind == ItemKind::kKept)
            run.kept.push_back({item.node, item.onset});
    }
    std::stable_sort(run.kept.begin(), run.kept.end(), [](const KeptItem& a, const KeptItem& b) {
        return Compare(a.at, b.at) < 0;
    });
    return run;
}

Result<std::string> WriteVoice(std::string_view text, const MeasureTimeline& scan, const Run& run,
                               int64_t finer, const std::vector<Edit>& scaleEdits,
                               const MeasureAlterations& alterations) {
    const VoiceRewrite& voice = *run.voice;
    const pugi::xml_node measure = voice.measure;
    VoiceContext context{text, &voice, finer,
                         scan.namesVoices || voice.voice != "1",
                         scan.namesStaves || voice.staff != 1, run.originalNotes, &alterations};
    const std::vector<KeptItem>& kept = run.kept;
    XmlOut out(text, LayoutAt(text, run.layoutAt, measure), run.breakFirst);
    VoiceStream stream(context, voice.length, &out);
    stream.Start(run.start);
    // The voice is written from the measure's start, so that a gap before its first entry is
    // filled like any other.
    bool ok = stream.MoveTo(Fraction{});
    const std::vector<std::vector<pugi::xml_node>> slurs = SlursToWrite(voice);
    size_t next = 0;
    auto keptUpTo = [&](std::optional<Fraction> limit) {
        for (; next < kept.size() && (!limit || Compare(kept[next].at, *limit) <= 0); ++next)
            if (!stream.MoveTo(kept[next].at) || !out.Copy(0, kept[next].node, scaleEdits))
                return false;
        return true;
    };
    for (size_t i = 0; ok && i < voice.entries.size(); ++i) {
        const NewEntry& entry = voice.entries[i];
        if (!keptUpTo(entry.onset) || !stream.MoveTo(entry.onset)) return CannotWriteExactly();
        if (Status s = WriteEntry(context, entry, slurs[i], &out); !s.ok()) return s;
        stream.Played(*Add(entry.onset, entry.duration));
    }
    ok = ok && keptUpTo(std::nullopt) && stream.MoveTo(voice.length) &&
         (!run.restoreCursor || stream.MoveTo(run.end));
    if (!ok) return CannotWriteExactly();
    return out.Text();
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

bool Rewritten(const MeasureTimeline& scan, const MeasureItem& item,
               const std::vector<VoiceRewrite>& voices) {
    return std::any_of(voices.begin(), voices.end(), [&](const VoiceRewrite& v) {
        return BelongsToVoice(scan, item, v.staff, v.voice);
    });
}

// What a reader of `staff` has heard by each moment of the measure once it is rewritten: the
// notes of the voices left as they were and the new notes, except those tied from before.
MeasureAlterations AlterationsOf(const MeasureTimeline& scan,
                                 const std::vector<VoiceRewrite>& voices,
                                 const VoiceRewrite& voice) {
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
            alterations.Heard(item.onset, item.node.child("pitch"));
    for (const VoiceRewrite& other : voices)
        for (const NewEntry& entry : other.entries)
            for (const NewPitch& pitch : entry.pitches)
                if (other.staff == staff && !pitch.tieStop)
                    alterations.Heard(entry.onset, pitch.donor.child("pitch"));
    return alterations;
}

bool Inside(const Edit& edit, const std::vector<ByteRange>& ranges) {
    return std::any_of(ranges.begin(), ranges.end(), [&](const ByteRange& r) {
        return edit.begin >= r.begin && edit.end <= r.end;
    });
}

// New text for a range of the original: the runs of one or more voices, one after another.
struct Target {
    ByteRange bytes;
    std::vector<Run> runs;
};

// Each voice replaces its own span, or is added after the measure's last timed item.
void SpanTargets(const MeasureTimeline& scan, const std::vector<Placement>& placements,
                 std::vector<Target>* targets) {
    for (const Placement& placement : placements)
        targets->push_back({placement.bytes, {SpanRun(scan, placement)}});
}

// Rewritten voices interleaved with others: the plan's edits around the other voices, and one
// target holding every rewritten voice in turn; voices absent from the measure are added as
// usual.
Status InterleavedTargets(std::string_view text, const MeasureTimeline& scan,
                          const std::vector<Placement>& placements, int64_t finer,
                          std::vector<Edit>* edits, std::vector<ByteRange>* consumed,
                          std::vector<Target>* targets) {
    size_t first = scan.items.size(), last = 0;
    std::vector<VoiceId> ids;
    for (const Placement& p : placements) {
        if (p.insert) continue;
        first = std::min(first, p.first);
        last = std::max(last, p.last);
        ids.push_back({p.voice->staff, p.voice->voice});
    }
    InterleavedPlan plan;
    if (Status s = PlanInterleaved(text, scan, first, last, ids, finer,
                                   placements.front().voice->measure, &plan);
        !s.ok())
        return s;
    edits->insert(edits->end(), plan.edits.begin(), plan.edits.end());
    consumed->insert(consumed->end(), plan.consumed.begin(), plan.consumed.end());
    Target tail{plan.tail, {}};
    Fraction cursor = plan.tailStart;
    for (const Placement& p : placements) {
        if (p.insert) {
            targets->push_back({p.bytes, {SpanRun(scan, p)}});
            continue;
        }
        Run run{p.voice, {}, {}, cursor, plan.tailEnd, false,
                plan.tail.begin, !tail.runs.empty()};
        for (const MeasureItem& item : scan.items)
            if (item.kind == ItemKind::kNote &&
                BelongsToVoice(scan, item, p.voice->staff, p.voice->voice))
                run.originalNotes.push_back(item.node);
        tail.runs.push_back(std::move(run));
        cursor = p.voice->length;  // a run that leaves the cursor to the next ends at its length
    }
    tail.runs.back().restoreCursor = true;
    targets->push_back(std::move(tail));
    return Status();
}

Result<std::vector<Edit>> RewriteVoices(std::string_view text,
                                        const std::vector<VoiceRewrite>& voices) {
    const pugi::xml_node measure = voices.front().measure;
    if (!measure) return Status::Error("no measure");
    const Result<MeasureTimeline> read = ReadTimeline(text, measure, voices.front().divisions);
    if (!read.ok()) return Status::Error(read.status().message());
    if (!read->unwritable.empty()) return Status::Error(read->unwritable);
    const MeasureTimeline& scan = *read;
    const int64_t current = scan.divisions;
    if (current > divisions::kMaxDivisions)
        return Status::Error("the measure's divisions are out of range");
    std::vector<Placement> placements;
    for (const VoiceRewrite& voice : voices) {
        if (voice.measure != measure) return Status::Error("voices of different measures");
        if (Status s = CheckEntries(voice); !s.ok()) return s;
        Result<Placement> placed = Place(text, scan, voice);
        if (!placed.ok()) return placed.status();
        placements.push_back(*placed);
    }
    for (size_t i = 0; i < voices.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (voices[i].staff == voices[j].staff && voices[i].voice == voices[j].voice)
                return Status::Error("two rewritten voices share the same notes");
    const bool interleaved =
        std::any_of(placements.begin(), placements.end(), [&](const Placement& p) {
            return !p.insert &&
                   HoldsOtherVoices(scan, p.first, p.last, p.voice->staff, p.voice->voice);
        });
    const std::optional<int64_t> finer =
        divisions::FinerDivisions(current, TimesToExpress(scan, voices));
    if (!finer) return Status::Error("the new rhythm needs more divisions than a file may hold");
    const int64_t factor = *finer / current;
    std::vector<Edit> edits, scaleEdits;
    if (factor > 1) {
        Result<std::vector<Edit>> scaled = divisions::ScaleValueEdits(text, measure, factor);
        if (!scaled.ok()) return scaled.status();
        scaleEdits = std::move(*scaled);
        if (!StateFinerDivisions(text, measure, *finer, &edits))
            return Status::Error("the measure's start cannot be located in the text");
    }
    std::vector<Target> targets;
    std::vector<ByteRange> consumed;
    if (!interleaved) SpanTargets(scan, placements, &targets);
    else if (Status s = InterleavedTargets(text, scan, placements, *finer, &edits, &consumed,
                                           &targets);
             !s.ok())
        return s;
    for (const Target& target : targets) consumed.push_back(target.bytes);
    for (const Edit& edit : scaleEdits)
        if (!Inside(edit, consumed)) edits.push_back(edit);
    for (const Target& target : targets) {
        std::string written;
        for (const Run& run : target.runs) {
            const MeasureAlterations alterations = AlterationsOf(scan, voices, *run.voice);
            const Result<std::string> part =
                WriteVoice(text, scan, run, *finer, scaleEdits, alterations);
            if (!part.ok()) return part.status();
            if (!WholeMarkup(*part)) return Status::Error("the rewritten voice is not well formed");
            written += *part;
        }
        edits.push_back({target.bytes.begin, target.bytes.end, std::move(written)});
    }
    // A measure that already states the part's divisions after its last note (an earlier
    // rewrite) keeps that statement, which still holds for the next measure.
    if (factor > 1 && !scan.endsWithDivisions && !RestoreDivisions(text, measure, current, &edits))
        return Status::Error("the measure's end cannot be located in the text");
    return edits;
}

}  // namespace

Status CanRewriteVoice(const MeasureTimeline& scan, int staff, const std::string& voice) {
    if (!scan.unwritable.empty()) return Status::Error(scan.unwritable);
    const Result<std::optional<VoiceSpan>> span = FindVoiceSpan(scan, staff, voice);
    if (!span.ok()) return span.status();
    return *span ? Status() : CanInsertVoice(scan);
}

Status CanInsertVoice(const MeasureTimeline& scan) {
    if (!scan.unwritable.empty()) return Status::Error(scan.unwritable);
    if (InsertionAnchor(scan) == nullptr) return Status::Error("the measure is empty");
    return Status();
}

Result<std::vector<Edit>> RewriteMeasure(std::string_view text,
                                         const std::vector<VoiceRewrite>& voices) {
    if (voices.empty()) return std::vector<Edit>{};
    return RewriteVoices(text, voices);
}

}  // namespace qz::musicxml
