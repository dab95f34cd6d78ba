// The text of a rewritten voice: its notes, rests, forwards and backups.
#include <algorithm>
#include <cstring>
#include <optional>

#include "musicxml/divisions.h"
#include "musicxml/xml_values.h"
#include "musicxml/voice_writer.h"

namespace qz::musicxml::writer {
namespace {



// The staff position of a pitch (step and octave), "" for an unpitched note.
std::string PlaceKey(pugi::xml_node note) {
    const pugi::xml_node pitch = note.child("pitch");
    if (!pitch) return {};
    return Trimmed(pitch.child_value("step")) + "/" + Trimmed(pitch.child_value("octave"));
}

// A key naming a sounding pitch: its place and its alteration ("" for an unpitched note).
std::string PitchKey(pugi::xml_node note) {
    const std::string place = PlaceKey(note);
    if (place.empty()) return {};
    const std::optional<Fraction> alter =
        divisions::ParseValue(note.child("pitch").child_value("alter"));
    const Fraction a = alter.value_or(Fraction{});
    return place + "/" + std::to_string(a.num) + "/" + std::to_string(a.den);
}

std::string SlurNumber(pugi::xml_node slur) {
    const char* number = slur.attribute("number").value();
    return *number != '\0' ? std::string(number) : std::string("1");
}

// The accidental to show with a donor's pitch: when the pitch is new on its staff position in
// the measure (not the alteration last written there), what the first replaced note of that
// pitch showed (or the donor's own, for a donor from elsewhere); a repetition shows none, as a
// reader of the measure expects.
pugi::xml_node AccidentalFor(const VoiceContext& context, pugi::xml_node donor,
                             ShownPitches* lastWritten) {
    const std::string place = PlaceKey(donor);
    const std::string key = PitchKey(donor);
    if (place.empty()) return {};
    auto last = std::find_if(lastWritten->begin(), lastWritten->end(),
                             [&](const auto& written) { return written.first == place; });
    if (last != lastWritten->end() && last->second == key) return {};
    if (last == lastWritten->end()) {
        lastWritten->push_back({place, key});
    } else {
        last->second = key;
    }
    for (pugi::xml_node original : context.originalNotes)
        if (PitchKey(original) == key) return original.child("accidental");
    return donor.child("accidental");
}

bool CopyChildren(XmlOut* out, int depth, pugi::xml_node parent, const char* name) {
    for (pugi::xml_node child = parent.child(name); child; child = child.next_sibling(name))
        if (!out->Copy(depth, child)) return false;
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

struct NoteParts {
    pugi::xml_node donor;  // empty for a rest
    bool tieStart = false;
    bool tieStop = false;
    bool first = true;     // the chord's first note carries beams, tuplets, slurs, articulations
};

bool WriteNotations(const NewEntry& entry, const NoteParts& parts,
                    const std::vector<pugi::xml_node>& slurs, XmlOut* out) {
    const pugi::xml_node notations = entry.rhythmFrom.child("notations");
    std::vector<pugi::xml_node> tuplets;
    for (pugi::xml_node n = notations; n && parts.first; n = n.next_sibling("notations"))
        for (pugi::xml_node t = n.child("tuplet"); t; t = t.next_sibling("tuplet"))
            tuplets.push_back(t);
    const std::vector<pugi::xml_node> noSlurs;
    const std::vector<pugi::xml_node>& written = parts.first ? slurs : noSlurs;
    const std::vector<pugi::xml_node> marks =
        parts.first ? DistinctArticulations(entry.articulations) : std::vector<pugi::xml_node>{};
    const bool anyArticulation = std::any_of(marks.begin(), marks.end(), [](pugi::xml_node m) {
        return !Named(m, "fermata");
    });
    if (!parts.tieStart && !parts.tieStop && written.empty() && tuplets.empty() && marks.empty())
        return true;
    out->Line(1, "<notations>");
    if (parts.tieStop) out->Line(2, "<tied type=\"stop\"/>");
    if (parts.tieStart) out->Line(2, "<tied type=\"start\"/>");
    for (pugi::xml_node slur : written)
        if (!out->Copy(2, slur)) return false;
    for (pugi::xml_node tuplet : tuplets)
        if (!out->Copy(2, tuplet)) return false;
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

bool WriteOneNote(const VoiceContext& context, const NewEntry& entry, const NoteParts& parts,
                  const std::string& duration, const std::vector<pugi::xml_node>& slurs,
                  ShownPitches* shownPitches, XmlOut* out, std::string* error) {
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
            entry.onset.num == 0 && divisions::Same(entry.duration, context.voice->length);
        out->Line(1, wholeMeasure ? "<rest measure=\"yes\"/>" : "<rest/>");
    } else if (parts.donor.child("pitch")) {
        if (!out->Copy(1, parts.donor.child("pitch"))) return false;
    } else if (parts.donor.child("unpitched")) {
        if (!out->Copy(1, parts.donor.child("unpitched"))) return false;
    } else {
        *error = "a donor note has neither <pitch> nor <unpitched>";
        return false;
    }
    out->Leaf(1, "duration", duration);
    if (parts.tieStop) out->Line(1, "<tie type=\"stop\"/>");
    if (parts.tieStart) out->Line(1, "<tie type=\"start\"/>");
    if (!rest && !CopyChildren(out, 1, parts.donor, "instrument")) return false;
    if (context.writeVoice) out->Leaf(1, "voice", context.voice->voice);
    if (!CopyChildren(out, 1, source, "type") || !CopyChildren(out, 1, source, "dot"))
        return false;
    if (!rest) {
        const pugi::xml_node accidental = AccidentalFor(context, parts.donor, shownPitches);
        if (accidental && !out->Copy(1, accidental)) return false;
    }
    if (!CopyChildren(out, 1, source, "time-modification")) return false;
    if (!rest && (!CopyChildren(out, 1, parts.donor, "stem") ||
                  !CopyChildren(out, 1, parts.donor, "notehead")))
        return false;
    if (context.writeStaff) out->Leaf(1, "staff", std::to_string(context.voice->staff));
    if (parts.first && !CopyChildren(out, 1, source, "beam")) return false;
    if (!WriteNotations(entry, parts, slurs, out)) {
        *error = "a copied element could not be located in the text";
        return false;
    }
    out->End(0, "</note>");
    return true;
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
    std::string copied(text_.substr(range.begin, range.end - range.begin));
    std::vector<Edit> inside;
    for (const Edit& edit : edits)
        if (edit.begin >= range.begin && edit.end <= range.end)
            inside.push_back({edit.begin - range.begin, edit.end - range.begin, edit.text});
    std::string error;
    if (!inside.empty() && !ApplyEdits(std::string(copied), inside, &copied, &error)) return false;
    // Lines inside the copy move with it to the new depth.
    const std::string_view oldIndent = IndentBefore(text_, range.begin);
    std::string newIndent = layout_.indent;
    for (int i = 0; i < depth; ++i) newIndent += layout_.step;
    if (!layout_.newline.empty() && !oldIndent.empty() && oldIndent != newIndent) {
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

std::vector<std::vector<pugi::xml_node>> SlursToKeep(const VoiceRewrite& voice) {
    std::vector<std::vector<pugi::xml_node>> kept(voice.entries.size());
    struct Open {
        std::string number;
        std::vector<std::pair<size_t, pugi::xml_node>> run;  // entry index, slur
    };
    std::vector<Open> open;
    for (size_t i = 0; i < voice.entries.size(); ++i) {
        for (pugi::xml_node n = voice.entries[i].rhythmFrom.child("notations"); n;
             n = n.next_sibling("notations")) {
            for (pugi::xml_node slur = n.child("slur"); slur; slur = slur.next_sibling("slur")) {
                const std::string number = SlurNumber(slur);
                const std::string type = slur.attribute("type").value();
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
    return kept;
}

bool WriteEntry(const VoiceContext& context, const NewEntry& entry,
                const std::vector<pugi::xml_node>& slurs,
                ShownPitches* shownPitches, XmlOut* out, std::string* error) {
    const std::optional<Fraction> units = divisions::Scaled(entry.duration, context.divisions);
    if (!units || units->den != 1 || units->num <= 0) {
        *error = "a rewritten duration cannot be written in the measure's divisions";
        return false;
    }
    const std::string duration = std::to_string(units->num);
    if (entry.pitches.empty())
        return WriteOneNote(context, entry, NoteParts{}, duration, slurs, shownPitches, out,
                            error);
    for (size_t i = 0; i < entry.pitches.size(); ++i) {
        const NewPitch& pitch = entry.pitches[i];
        const NoteParts parts{pitch.donor, pitch.tieStart, pitch.tieStop, i == 0};
        if (!parts.donor) {
            *error = "a rewritten pitch has no donor note";
            return false;
        }
        if (!WriteOneNote(context, entry, parts, duration, slurs, shownPitches, out, error))
            return false;
    }
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
