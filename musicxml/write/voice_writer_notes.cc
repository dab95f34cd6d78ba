// The text of a rewritten voice: its notes, rests, forwards and backups.
#include <algorithm>
#include <cstring>
#include <optional>

#include "musicxml/write/divisions.h"
#include "musicxml/xml_values.h"
#include "musicxml/write/voice_writer.h"

namespace qz::musicxml::writer {
namespace {

struct NoteParts {
    pugi::xml_node donor;  // empty for a rest
    bool tieStart = false;
    bool tieStop = false;
    bool first = true;     // the chord's first note carries beams, tuplets, slurs, articulations
};

// A key naming a sounding pitch: its place and its alteration ("" for an unpitched note).
std::string PitchKey(pugi::xml_node note) {
    const pugi::xml_node pitch = note.child("pitch");
    if (!pitch) return {};
    const Fraction alter = AlterOf(pitch);
    return Trimmed(pitch.child_value("step")) + "/" + Trimmed(pitch.child_value("octave")) + "/" +
           std::to_string(alter.num) + "/" + std::to_string(alter.den);
}

// Writes the accidental a reader needs on a new note, if any: as the first replaced note of
// that pitch showed it (keeping its form, say parentheses), else as the donor shows it, else
// named from the alteration. A note tied from the one before needs none.
bool WriteAccidental(const VoiceContext& context, Fraction onset, const NoteParts& parts,
                     XmlOut* out) {
    const pugi::xml_node pitch = parts.donor.child("pitch");
    if (!pitch || parts.tieStop || !context.alterations->NeedsAccidental(onset, pitch))
        return true;
    const std::string key = PitchKey(parts.donor);
    for (pugi::xml_node original : context.originalNotes)
        if (PitchKey(original) == key && original.child("accidental"))
            return out->Copy(1, original.child("accidental"));
    if (parts.donor.child("accidental")) return out->Copy(1, parts.donor.child("accidental"));
    const std::string name = MeasureAlterations::Name(AlterOf(pitch));
    if (!name.empty()) out->Leaf(1, "accidental", name);
    return true;
}

// The children of a <note> copied whole into a new note, gathered in one pass over them (a
// written note takes seven kinds from two notes; looking each kind up by name walks all the
// children again).
enum class Copied { kInstrument, kType, kDot, kTimeModification, kStem, kNotehead, kBeam };

class CopiedChildren {
public:
    explicit CopiedChildren(pugi::xml_node note) {
        for (pugi::xml_node child = note.first_child(); child; child = child.next_sibling())
            if (const std::optional<Copied> kind = KindOf(child.name()))
                children_.push_back({*kind, child});
    }

    // Copies every child of `kind`, in file order.
    bool Copy(XmlOut* out, int depth, Copied kind) const {
        for (const auto& [k, child] : children_)
            if (k == kind && !out->Copy(depth, child)) return false;
        return true;
    }

private:
    static std::optional<Copied> KindOf(const char* name) {
        auto is = [name](const char* candidate) { return std::strcmp(name, candidate) == 0; };
        switch (name[0]) {
            case 'i': if (is("instrument")) return Copied::kInstrument; break;
            case 't':
                if (is("type")) return Copied::kType;
                if (is("time-modification")) return Copied::kTimeModification;
                break;
            case 'd': if (is("dot")) return Copied::kDot; break;
            case 's': if (is("stem")) return Copied::kStem; break;
            case 'n': if (is("notehead")) return Copied::kNotehead; break;
            case 'b': if (is("beam")) return Copied::kBeam; break;
            default: break;
        }
        return std::nullopt;
    }

    std::vector<std::pair<Copied, pugi::xml_node>> children_;
};

bool CopyAll(XmlOut* out, int depth, const std::vector<pugi::xml_node>& nodes) {
    for (pugi::xml_node node : nodes)
        if (!out->Copy(depth, node)) return false;
    return true;
}

// The articulation elements to write, one of each kind, in the order given.
std::vector<pugi::xml_node> DistinctArticulations(const std::vector<pugi::xml_node>& given) {
    std::vector<pugi::xml_node> result;
    for (pugi::xml_node node : given) {
        const bool seen = std::any_of(result.begin(), result.end(), [&](pugi::xml_node kept) {
            return std::strcmp(kept.name(), node.name()) == 0;
        });
        if (!seen && node.type() == pugi::node_element) result.push_back(node);
    }
    return result;
}

bool WriteNotations(const NewEntry& entry, const NoteParts& parts,
                    const std::vector<pugi::xml_node>& slurs, XmlOut* out) {
    const pugi::xml_node notations = entry.rhythmFrom.child("notations");
    std::vector<pugi::xml_node> tuplets;
    for (pugi::xml_node n = notations; n && parts.first; n = n.next_sibling("notations"))
        for (pugi::xml_node t = n.child("tuplet"); t; t = t.next_sibling("tuplet"))
            tuplets.push_back(t);
    const std::vector<pugi::xml_node> noSlurs;
    const std::vector<pugi::xml_node>& written = parts.first ? slurs : noSlurs;
    std::vector<pugi::xml_node> marks =
        parts.first ? DistinctArticulations(entry.articulations) : std::vector<pugi::xml_node>{};
    // A rest is held, not played: only a fermata means something over it.
    if (!parts.donor)
        marks.erase(std::remove_if(marks.begin(), marks.end(),
                                   [](pugi::xml_node m) { return !Named(m, "fermata"); }),
                    marks.end());
    const bool anyArticulation = std::any_of(marks.begin(), marks.end(), [](pugi::xml_node m) {
        return !Named(m, "fermata");
    });
    if (!parts.tieStart && !parts.tieStop && written.empty() && tuplets.empty() && marks.empty())
        return true;
    out->Line(1, "<notations>");
    if (parts.tieStop) out->Line(2, "<tied type=\"stop\"/>");
    if (parts.tieStart) out->Line(2, "<tied type=\"start\"/>");
    if (!CopyAll(out, 2, written) || !CopyAll(out, 2, tuplets)) return false;
    if (anyArticulation) {
        out->Line(2, "<articulations>");
        for (pugi::xml_node mark : marks)
            if (!Named(mark, "fermata") && !out->Copy(3, mark)) return false;
        out->End(2, "</articulations>");
    }
    for (pugi::xml_node mark : marks)
        if (Named(mark, "fermata") && !out->Copy(2, mark)) return false;
    out->End(1, "</notations>");
    return true;
}

Status WriteOneNote(const VoiceContext& context, const NewEntry& entry, const NoteParts& parts,
                    const std::string& duration, const std::vector<pugi::xml_node>& slurs,
                    XmlOut* out) {
    const pugi::xml_node source = entry.rhythmFrom;
    const pugi::xml_node sourceRest = source.child("rest");
    const bool rest = !parts.donor;
    const bool hidden =
        rest && sourceRest && std::strcmp(source.attribute("print-object").value(), "no") == 0;
    out->Line(0, hidden ? "<note print-object=\"no\">" : "<note>");
    if (!parts.first) out->Line(1, "<chord/>");
    if (rest) {
        const bool wholeMeasure =
            std::strcmp(sourceRest.attribute("measure").value(), "yes") == 0 &&
            entry.onset.num == 0 && entry.duration == context.voice->length;
        out->Line(1, wholeMeasure ? "<rest measure=\"yes\"/>" : "<rest/>");
    } else if (parts.donor.child("pitch")) {
        if (!out->Copy(1, parts.donor.child("pitch"))) return CannotWriteExactly();
    } else if (parts.donor.child("unpitched")) {
        if (!out->Copy(1, parts.donor.child("unpitched"))) return CannotWriteExactly();
    } else {
        return Status::Error("a donor note has neither <pitch> nor <unpitched>");
    }
    out->Leaf(1, "duration", duration);
    if (parts.tieStop) out->Line(1, "<tie type=\"stop\"/>");
    if (parts.tieStart) out->Line(1, "<tie type=\"start\"/>");
    const CopiedChildren fromSource(source), fromDonor(parts.donor);
    if (!rest && !fromDonor.Copy(out, 1, Copied::kInstrument)) return CannotWriteExactly();
    if (context.writeVoice) out->Leaf(1, "voice", context.voice->voice);
    if (!fromSource.Copy(out, 1, Copied::kType) || !fromSource.Copy(out, 1, Copied::kDot))
        return CannotWriteExactly();
    if (!rest && !WriteAccidental(context, entry.onset, parts, out)) return CannotWriteExactly();
    if (!fromSource.Copy(out, 1, Copied::kTimeModification)) return CannotWriteExactly();
    if (!rest && (!fromDonor.Copy(out, 1, Copied::kStem) ||
                  !fromDonor.Copy(out, 1, Copied::kNotehead)))
        return CannotWriteExactly();
    if (context.writeStaff) out->Leaf(1, "staff", std::to_string(context.voice->staff));
    if (parts.first && !fromSource.Copy(out, 1, Copied::kBeam)) return CannotWriteExactly();
    if (!WriteNotations(entry, parts, slurs, out) ||
        (parts.first && !rest && !CopyAll(out, 1, entry.lyrics))) {
        return Status::Error("a copied element could not be located in the text");
    }
    out->End(0, "</note>");
    return Status();
}

}  // namespace

Layout LayoutAt(std::string_view text, size_t childBegin, pugi::xml_node measure) {
    Layout layout;
    const size_t lineStart = childBegin - IndentBefore(text, childBegin).size();
    if (lineStart == 0 || text[lineStart - 1] != '\n') return layout;  // all on one line
    layout.indent = std::string(IndentBefore(text, childBegin));
    layout.newline = lineStart >= 2 && text[lineStart - 2] == '\r' ? "\r\n" : "\n";
    layout.step = layout.indent.find('\t') != std::string::npos ? "\t" : "  ";
    // The step the file itself uses: a note's first child against the note; or a file that
    // writes each note on a single line.
    for (pugi::xml_node note = measure.child("note"); note; note = note.next_sibling("note")) {
        ByteRange outer, inner;
        const pugi::xml_node child = note.find_child(
            [](pugi::xml_node n) { return n.type() == pugi::node_element; });
        if (!NodeRange(text, note, &outer) || !NodeRange(text, child, &inner)) continue;
        if (text.substr(outer.begin, outer.end - outer.begin).find('\n') == std::string::npos) {
            layout.inlineChildren = true;
            break;
        }
        const std::string_view a = IndentBefore(text, outer.begin);
        const std::string_view b = IndentBefore(text, inner.begin);
        if (b.size() > a.size() && b.substr(0, a.size()) == a) {
            layout.step = std::string(b.substr(a.size()));
            break;
        }
    }
    return layout;
}

void XmlOut::Break(int depth, bool closing) {
    if (breakNext_ && !(layout_.inlineChildren && (depth > 0 || closing))) {
        out_ += layout_.newline;
        out_ += layout_.indent;
        for (int i = 0; i < depth; ++i) out_ += layout_.step;
    }
    breakNext_ = true;
}

void XmlOut::Line(int depth, std::string_view markup) {
    Break(depth);
    out_ += markup;
}

void XmlOut::End(int depth, std::string_view markup) {
    Break(depth, true);
    out_ += markup;
}

void XmlOut::Leaf(int depth, std::string_view name, std::string_view value) {
    Break(depth);
    out_.append("<").append(name).append(">").append(value).append("</").append(name).append(">");
}

bool XmlOut::Copy(int depth, pugi::xml_node node, const std::vector<Edit>& edits) {
    ByteRange range;
    if (!NodeRange(text_, node, &range)) return false;
    const std::string_view original = text_.substr(range.begin, range.end - range.begin);
    std::vector<Edit> inside;
    for (const Edit& edit : edits)
        if (edit.begin >= range.begin && edit.end <= range.end)
            inside.push_back({edit.begin - range.begin, edit.end - range.begin, edit.text});
    // Lines inside the copy move with it to the new depth.
    const std::string_view oldIndent = IndentBefore(text_, range.begin);
    const bool indented = !layout_.newline.empty() && !oldIndent.empty();
    std::string newIndent;
    if (indented) {
        newIndent = layout_.indent;
        for (int i = 0; i < depth; ++i) newIndent += layout_.step;
    }
    const bool moves = indented && oldIndent != newIndent;
    // Most copies are one line with nothing edited inside: their bytes go out as they stand.
    if (inside.empty() && (!moves || original.find('\n') == std::string_view::npos)) {
        Break(depth);
        out_ += original;
        return true;
    }
    std::string copied(original);
    if (!inside.empty()) {
        Result<std::string> edited = ApplyEdits(copied, inside);
        if (!edited.ok()) return false;
        copied = std::move(*edited);
    }
    if (moves) {
        const std::string from = "\n" + std::string(oldIndent);
        const std::string to = "\n" + newIndent;
        for (size_t at = copied.find(from); at != std::string::npos;
             at = copied.find(from, at + to.size()))
            copied.replace(at, from.size(), to);
    }
    Break(depth);
    out_ += copied;
    return true;
}

std::vector<std::vector<pugi::xml_node>> SlursToWrite(const VoiceRewrite& voice) {
    std::vector<std::vector<pugi::xml_node>> kept(voice.entries.size());
    struct Open {
        std::string number;
        std::vector<std::pair<size_t, pugi::xml_node>> run;  // entry index, slur
    };
    std::vector<Open> open;
    const auto& busy = voice.busySlurNumbers;
    for (size_t i = 0; i < voice.entries.size(); ++i) {
        for (pugi::xml_node n = voice.entries[i].rhythmFrom.child("notations"); n;
             n = n.next_sibling("notations")) {
            for (pugi::xml_node slur = n.child("slur"); slur; slur = slur.next_sibling("slur")) {
                const std::string number = SlurNumber(slur);
                const std::string type = slur.attribute("type").value();
                if (std::find(busy.begin(), busy.end(), number) != busy.end()) continue;
                auto found = std::find_if(open.begin(), open.end(),
                                          [&](const Open& o) { return o.number == number; });
                if (type == "start") {
                    if (found != open.end()) open.erase(found);
                    open.push_back({number, {{i, slur}}});
                } else if (found != open.end()) {
                    found->run.push_back({i, slur});
                    if (type != "stop") continue;
                    for (const auto& [entry, node] : found->run) kept[entry].push_back(node);
                    open.erase(found);
                }
            }
        }
    }
    for (size_t i = 0; i < voice.entries.size(); ++i) {
        std::vector<pugi::xml_node> all;
        for (bool stops : {true, false}) {
            for (pugi::xml_node slur : voice.entries[i].carriedSlurs)
                if ((std::strcmp(slur.attribute("type").value(), "stop") == 0) == stops)
                    all.push_back(slur);
            if (stops) all.insert(all.end(), kept[i].begin(), kept[i].end());
        }
        kept[i] = std::move(all);
    }
    return kept;
}

Status WriteEntry(const VoiceContext& context, const NewEntry& entry,
                  const std::vector<pugi::xml_node>& slurs, XmlOut* out) {
    const std::optional<Fraction> units = Multiply(entry.duration, context.divisions);
    if (!units || units->den != 1 || units->num <= 0)
        return Status::Error("a rewritten duration cannot be written in the measure's divisions");
    const std::string duration = std::to_string(units->num);
    if (entry.pitches.empty()) return WriteOneNote(context, entry, NoteParts{}, duration, slurs, out);
    for (size_t i = 0; i < entry.pitches.size(); ++i) {
        const NewPitch& pitch = entry.pitches[i];
        const NoteParts parts{pitch.donor, pitch.tieStart, pitch.tieStop, i == 0};
        if (!parts.donor) return Status::Error("a rewritten pitch has no donor note");
        if (Status s = WriteOneNote(context, entry, parts, duration, slurs, out); !s.ok()) return s;
    }
    return Status();
}

namespace {

struct NoteValue {
    Fraction quarters;
    const char* type;
    bool dotted;
};

// Every value a rest may take, longest first; each dotted value just before its plain one.
const NoteValue kRestValues[] = {
    {{6, 1}, "whole", true},     {{4, 1}, "whole", false},    {{3, 1}, "half", true},
    {{2, 1}, "half", false},     {{3, 2}, "quarter", true},   {{1, 1}, "quarter", false},
    {{3, 4}, "eighth", true},    {{1, 2}, "eighth", false},   {{3, 8}, "16th", true},
    {{1, 4}, "16th", false},     {{3, 16}, "32nd", true},     {{1, 8}, "32nd", false},
    {{3, 32}, "64th", true},     {{1, 16}, "64th", false},    {{3, 64}, "128th", true},
    {{1, 32}, "128th", false},   {{1, 64}, "256th", false}};

constexpr int kMostRests = 16;

// The longest value not beyond `left` whose multiples include `at`, so that each rest starts
// on a beat of its own length, as an engraver splits a silence.
const NoteValue* RestValueAt(Fraction at, Fraction left) {
    for (const NoteValue& value : kRestValues) {
        if (Compare(value.quarters, left) > 0) continue;
        const std::optional<Fraction> scaled = Multiply(at, value.quarters.den);
        const std::optional<Fraction> steps =
            scaled ? Divide(*scaled, value.quarters.num) : std::nullopt;
        if (steps && steps->den == 1) return &value;
    }
    return nullptr;
}

void WriteRest(const VoiceContext& context, int64_t units, const NoteValue* value,
               XmlOut* out) {
    out->Line(0, "<note>");
    out->Line(1, value != nullptr ? "<rest/>" : "<rest measure=\"yes\"/>");
    out->Leaf(1, "duration", std::to_string(units));
    if (context.writeVoice) out->Leaf(1, "voice", context.voice->voice);
    if (value != nullptr) out->Leaf(1, "type", value->type);
    if (value != nullptr && value->dotted) out->Line(1, "<dot/>");
    if (context.writeStaff) out->Leaf(1, "staff", std::to_string(context.voice->staff));
    out->End(0, "</note>");
}

std::optional<int64_t> Units(const VoiceContext& context, Fraction quarters) {
    const std::optional<Fraction> units = Multiply(quarters, context.divisions);
    if (!units || units->den != 1 || units->num <= 0) return std::nullopt;
    return units->num;
}

}  // namespace

bool WriteRests(const VoiceContext& context, Fraction from, Fraction to, XmlOut* out) {
    const std::optional<Fraction> whole = Subtract(to, from);
    if (!whole || whole->num <= 0) return false;
    // A voice silent for the whole measure gets the one rest that says so.
    if (from.num == 0 && *whole == context.voice->length) {
        const std::optional<int64_t> units = Units(context, *whole);
        if (!units) return false;
        WriteRest(context, *units, nullptr, out);
        return true;
    }
    std::vector<std::pair<int64_t, const NoteValue*>> rests;
    for (Fraction at = from, left = *whole; left.num > 0;) {
        const NoteValue* value = RestValueAt(at, left);
        if (value == nullptr) return false;
        const std::optional<int64_t> units = Units(context, value->quarters);
        const std::optional<Fraction> next = Add(at, value->quarters);
        const std::optional<Fraction> rest = Subtract(left, value->quarters);
        if (!units || !next || !rest || rests.size() == kMostRests) return false;
        rests.push_back({*units, value});
        at = *next;
        left = *rest;
    }
    for (const auto& [units, value] : rests) WriteRest(context, units, value, out);
    return true;
}

void WriteMove(const VoiceContext& context, int64_t units, bool ownVoice, XmlOut* out) {
    if (units == 0) return;
    out->Line(0, units < 0 ? "<backup>" : "<forward>");
    out->Leaf(1, "duration", std::to_string(units < 0 ? -units : units));
    if (units > 0 && ownVoice && context.writeVoice) out->Leaf(1, "voice", context.voice->voice);
    if (units > 0 && ownVoice && context.writeStaff)
        out->Leaf(1, "staff", std::to_string(context.voice->staff));
    out->End(0, units < 0 ? "</backup>" : "</forward>");
}

}  // namespace qz::musicxml::writer

namespace qz::musicxml {

std::string SlurNumber(pugi::xml_node slur) {
    const std::string number = Trimmed(slur.attribute("number").value());
    return number.empty() ? "1" : number;
}

}  // namespace qz::musicxml
