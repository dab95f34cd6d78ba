// BuildScore: one pass per part over the timelines of its measures.
#include <algorithm>
#include <cstring>
#include <optional>
#include <set>

#include "musicxml/read/measure_timeline.h"
#include "musicxml/rational.h"
#include "musicxml/read/score_model.h"
#include "musicxml/read/score_parse.h"
#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

constexpr int kMaxStaves = 64;              // staves in one part
constexpr int kMaxMeasures = 100000;


// The length of a <time>: the sum of its beats/beat-type pairs ("3+2" beats add up); nothing
// for a <senza-misura> or a time the model cannot read.
std::optional<Fraction> TimeLength(pugi::xml_node time) {
    Fraction total{0, 1};
    bool any = false;
    for (pugi::xml_node beats = time.child("beats"); beats; beats = beats.next_sibling("beats")) {
        pugi::xml_node type = beats.next_sibling("beat-type");
        int64_t count = 0, unit = 0;
        if (!SumOfInts(beats.child_value(), 1, 1000, &count) ||
            !ParseInt(type.child_value(), 1, 1024, &unit))
            return std::nullopt;
        std::optional<Fraction> part = MakeFraction(count * 4, unit);
        if (!part) return std::nullopt;
        std::optional<Fraction> sum = Add(total, *part);
        if (!sum) return std::nullopt;
        total = *sum;
        any = true;
    }
    if (!any) return std::nullopt;
    return total;
}

int StepSemitone(char step) {
    switch (step) {
        case 'C': return 0;
        case 'D': return 2;
        case 'E': return 4;
        case 'F': return 5;
        case 'G': return 7;
        case 'A': return 9;
        case 'B': return 11;
        default: return -1;
    }
}

// An <alter> in whole semitones, halves away from zero; none for more than four either way.
int64_t AlterSemitones(const std::string& alter) {
    const Fraction value = ParseDecimal(alter).value_or(Fraction{});
    if (Compare(value, Fraction{-4, 1}) < 0 || Compare(value, Fraction{4, 1}) > 0) return 0;
    return Rounded(value);
}

// The pitch key and MIDI number of a note ("" and 60 for a rest).
void ReadPitch(pugi::xml_node note, ModelNote* out) {
    if (pugi::xml_node pitch = note.child("pitch")) {
        std::string step = Trimmed(pitch.child_value("step"));
        std::string alter = Trimmed(pitch.child_value("alter"));
        std::string octave = Trimmed(pitch.child_value("octave"));
        out->pitch = step + "/" + (alter.empty() ? "0" : alter) + "/" + octave;
        int64_t oct = 4;
        ParseInt(octave.c_str(), 0, 9, &oct);
        int semitone = step.size() == 1 ? StepSemitone(step[0]) : 0;
        out->midi =
            static_cast<int>(12 * (oct + 1) + std::max(semitone, 0) + AlterSemitones(alter));
    } else if (pugi::xml_node unpitched = note.child("unpitched")) {
        std::string step = Trimmed(unpitched.child_value("display-step"));
        std::string octave = Trimmed(unpitched.child_value("display-octave"));
        out->pitch = "unpitched/" + step + "/" + octave;
        int64_t oct = 4;
        ParseInt(octave.c_str(), 0, 9, &oct);
        int semitone = step.size() == 1 ? StepSemitone(step[0]) : 0;
        out->midi = static_cast<int>(12 * (oct + 1) + std::max(semitone, 0));
    }
}

void ReadTies(pugi::xml_node note, ModelNote* out) {
    auto mark = [out](const char* type) {
        if (std::strcmp(type, "start") == 0) out->tieStart = true;
        if (std::strcmp(type, "stop") == 0) out->tieStop = true;
    };
    for (pugi::xml_node tie : note.children("tie")) mark(tie.attribute("type").value());
    for (pugi::xml_node notations : note.children("notations"))
        for (pugi::xml_node tied : notations.children("tied")) mark(tied.attribute("type").value());
}

void CollectArticulations(pugi::xml_node note, std::vector<pugi::xml_node>* out) {
    for (pugi::xml_node notations : note.children("notations"))
        for (pugi::xml_node child : notations.children()) {
            if (Named(child, "fermata")) out->push_back(child);
            if (Named(child, "articulations"))
                for (pugi::xml_node a : child.children())
                    if (a.type() == pugi::node_element) out->push_back(a);
        }
}

// Orders voice names numerically ("2" before "10"), then by spelling.
bool VoiceBefore(const std::string& a, const std::string& b) {
    int64_t x = 0, y = 0;
    bool nx = ParseInt(a.c_str(), 0, 1 << 30, &x), ny = ParseInt(b.c_str(), 0, 1 << 30, &y);
    if (nx != ny) return nx;
    if (nx && x != y) return x < y;
    return a < b;
}

class PartReader {
public:
    PartReader(Score& score, int partIndex, std::string_view text)
        : score_(score), partIndex_(partIndex), text_(text) {}

    Status CountStaves();
    Status ReadMeasures();
    const std::vector<std::set<std::string>>& VoicesByStaff() const { return voicesByStaff_; }

private:
    ModelPart& Part() { return score_.parts[static_cast<std::size_t>(partIndex_)]; }
    Status FailAt(const std::string& message, pugi::xml_node where) const {
        return Status::ErrorAt(message, PositionOfNode(text_, where));
    }
    void ReadAttributes(pugi::xml_node attributes);
    void ReadKeys(pugi::xml_node attributes);
    void ReadNote(const MeasureItem& item, int measure);
    int AddNote(pugi::xml_node note);  // the pitched note's index in the score's note table
    void CloseMeasure(int measure);
    void NoteWriterRefusals(const MeasureTimeline& timeline);

    Score& score_;
    int partIndex_;
    std::string_view text_;
    int64_t divisions_ = 1;
    Fraction timeLength_{4, 1};
    // Per measure:
    Fraction end_{0, 1};
    int lastEntry_ = -1;        // the entry a <chord/> note joins
    int lastEntrySlot_ = 0;
    bool anyNote_ = false;
    std::map<std::string, std::set<int>> stavesOfVoice_;  // voice -> staves, this measure
    std::vector<std::set<std::string>> voicesByStaff_;
    std::vector<pugi::xml_node> keys_;  // per staff, the <key> last stated
};

Status PartReader::CountStaves() {
    int staves = 1;
    for (pugi::xml_node measure : Part().measures) {
        for (pugi::xml_node attributes : measure.children("attributes"))
            if (pugi::xml_node node = attributes.child("staves")) {
                int64_t n = 0;
                if (!ParseInt(node.child_value(), 1, kMaxStaves, &n))
                    return FailAt("<staves> must be a number from 1 to 64", node);
                staves = std::max(staves, static_cast<int>(n));
            }
        for (pugi::xml_node note : measure.children("note"))
            if (pugi::xml_node node = note.child("staff")) {
                int64_t n = 0;
                if (!ParseInt(node.child_value(), 1, kMaxStaves, &n))
                    return FailAt("<staff> must be a number from 1 to 64", node);
                staves = std::max(staves, static_cast<int>(n));
            }
    }
    Part().staves = staves;
    voicesByStaff_.assign(static_cast<std::size_t>(staves), {});
    keys_.assign(static_cast<std::size_t>(staves), pugi::xml_node());
    return Status();
}

// A <key> with a number holds for that staff only; without one, for every staff.
void PartReader::ReadKeys(pugi::xml_node attributes) {
    for (pugi::xml_node key : attributes.children("key")) {
        int64_t staff = 0;
        if (!key.attribute("number")) {
            std::fill(keys_.begin(), keys_.end(), key);
        } else if (ParseInt(key.attribute("number").value(), 1, static_cast<int64_t>(keys_.size()),
                            &staff)) {
            keys_[static_cast<std::size_t>(staff - 1)] = key;
        }
    }
}

void PartReader::ReadAttributes(pugi::xml_node attributes) {
    if (pugi::xml_node time = attributes.child("time")) {
        std::optional<Fraction> length = TimeLength(time);
        timeLength_ = length ? *length : Fraction{4, 1};
    }
    ReadKeys(attributes);
    if (!anyNote_) Part().keys.back() = keys_;
}

int PartReader::AddNote(pugi::xml_node note) {
    ModelNote model;
    model.element = note;
    ReadPitch(note, &model);
    ReadTies(note, &model);
    score_.notes.push_back(model);
    return static_cast<int>(score_.notes.size()) - 1;
}

void PartReader::ReadNote(const MeasureItem& item, int measure) {
    const pugi::xml_node note = item.node;
    const int slot = Part().firstSlot + item.staff - 1;
    voicesByStaff_[static_cast<std::size_t>(item.staff - 1)].insert(item.voice);
    stavesOfVoice_[item.voice].insert(item.staff);
    VoiceMeasure& vm = score_.voices[{slot, measure, item.voice}];
    if (item.grace) {
        vm.grace = true;
        return;
    }
    if (item.cue) vm.cue = true;
    anyNote_ = true;
    if (item.joinsChord) {
        if (note.child("rest")) return;  // a rest cannot sound with a chord: it adds nothing
        ModelEntry& entry = score_.entries[static_cast<std::size_t>(lastEntry_)];
        entry.notes.push_back(AddNote(note));
        CollectArticulations(note, &entry.articulations);
        if (entry.notes.size() > static_cast<std::size_t>(kMaxChordNotes))
            score_.voices[{lastEntrySlot_, measure, item.voice}].bigChord = true;
        return;
    }
    ModelEntry entry;
    entry.onset = item.onset;
    entry.duration = item.duration;
    entry.first = note;
    entry.position = ToHostUnits(item.onset);
    entry.hostDuration = ToHostUnits(item.cursorAfter) - entry.position;
    if (!note.child("rest")) entry.notes.push_back(AddNote(note));
    CollectArticulations(note, &entry.articulations);
    score_.entries.push_back(std::move(entry));
    lastEntry_ = static_cast<int>(score_.entries.size()) - 1;
    lastEntrySlot_ = slot;
    vm.entries.push_back(lastEntry_);
}

void PartReader::CloseMeasure(int measure) {
    Fraction length = timeLength_;
    if (anyNote_ && end_.num > 0 && end_ < timeLength_) length = end_;
    Part().lengths.push_back(length);
    // A voice with notes on two staves in this measure is refused on every staff of the part.
    for (const auto& [voice, staves] : stavesOfVoice_) {
        if (staves.size() < 2) continue;
        for (int s = 1; s <= Part().staves; ++s)
            score_.voices[{Part().firstSlot + s - 1, measure, voice}].crossStaff = true;
    }
    // Entries of a voice in onset order (a <backup> inside one voice can reorder them).
    for (int s = 1; s <= Part().staves; ++s) {
        auto from = score_.voices.lower_bound({Part().firstSlot + s - 1, measure, ""});
        for (auto it = from; it != score_.voices.end() &&
                             std::get<0>(it->first) == Part().firstSlot + s - 1 &&
                             std::get<1>(it->first) == measure;
             ++it) {
            std::vector<int>& list = it->second.entries;
            std::stable_sort(list.begin(), list.end(), [this](int a, int b) {
                return score_.entries[static_cast<std::size_t>(a)].onset <
                       score_.entries[static_cast<std::size_t>(b)].onset;
            });
        }
    }
}

Status PartReader::ReadMeasures() {
    int measure = 0;
    for (pugi::xml_node element : Part().measures) {
        ++measure;
        Part().divisions.push_back(divisions_);
        Part().keys.push_back(keys_);
        Result<MeasureTimeline> timeline = ReadTimeline(text_, element, divisions_);
        if (!timeline.ok()) return timeline.status();
        divisions_ = timeline->divisionsAtEnd;
        end_ = Fraction{0, 1};
        lastEntry_ = -1;
        anyNote_ = false;
        stavesOfVoice_.clear();
        for (const MeasureItem& item : timeline->items) {
            if (item.kind == ItemKind::kNote) ReadNote(item, measure);
            else if (item.node.type() == pugi::node_element && Named(item.node, "attributes"))
                ReadAttributes(item.node);
            if (item.kind != ItemKind::kKept && !item.grace && end_ < item.cursorAfter)
                end_ = item.cursorAfter;
        }
        CloseMeasure(measure);
        NoteWriterRefusals(*timeline);
    }
    return Status();
}

void PartReader::NoteWriterRefusals(const MeasureTimeline& timeline) {
    WriterRefusals refusals;
    refusals.insert = CanInsertVoice(timeline).message();
    std::set<std::string> voices;
    for (const MeasureItem& item : timeline.items)
        if (item.kind == ItemKind::kNote || item.kind == ItemKind::kForward) voices.insert(item.voice);
    for (const std::string& voice : voices)
        for (int staff = 1; staff <= Part().staves; ++staff)
            refusals.voices.push_back({staff, voice, CanRewriteVoice(timeline, staff, voice).message()});
    Part().refusals.push_back(std::move(refusals));
}

}  // namespace

const std::string& WriterRefusals::For(int staff, const std::string& voice) const {
    for (const Voice& v : voices)
        if (v.staff == staff && v.voice == voice) return v.why;
    return insert;
}

bool ModelEntry::TiedForward(const std::vector<ModelNote>& all) const {
    for (int n : notes)
        if (all[static_cast<std::size_t>(n)].tieStart) return true;
    return false;
}

int ModelSlot::LayerOf(const std::string& voice) const {
    for (std::size_t i = 0; i < layers.size(); ++i)
        if (layers[i] == voice) return static_cast<int>(i) + 1;
    return 0;
}

const VoiceMeasure* Score::Voice(int slot, int measure, const std::string& voice) const {
    auto it = voices.find({slot, measure, voice});
    return it == voices.end() ? nullptr : &it->second;
}

Fraction Score::MeasureLength(int slot, int measure) const {
    if (slot < 1 || slot > static_cast<int>(slots.size())) return Fraction{4, 1};
    const ModelPart& part = parts[static_cast<std::size_t>(slots[slot - 1].part)];
    if (measure < 1 || measure > static_cast<int>(part.lengths.size())) return Fraction{4, 1};
    return part.lengths[static_cast<std::size_t>(measure - 1)];
}

Status BuildScore(const ParsedScore& parsed, Score* score) {
    *score = Score{};
    pugi::xml_node root = parsed.doc.document_element();
    auto failAt = [&](const std::string& message, pugi::xml_node where) {
        return Status::ErrorAt(message, PositionOfNode(parsed.text, where));
    };
    std::map<std::string, std::string> names;  // part id -> name, from the part list
    for (pugi::xml_node sp : root.child("part-list").children("score-part"))
        names[sp.attribute("id").value()] = Trimmed(sp.child_value("part-name"));
    int nextSlot = 1;
    for (pugi::xml_node partNode : root.children("part")) {
        ModelPart part;
        part.id = partNode.attribute("id").value();
        part.name = names.count(part.id) ? names[part.id] : "";
        part.element = partNode;
        for (pugi::xml_node m : partNode.children("measure")) {
            if (static_cast<int>(part.measures.size()) >= kMaxMeasures)
                return failAt("more than 100000 measures", m);
            part.measures.push_back(m);
        }
        part.firstSlot = nextSlot;
        score->parts.push_back(std::move(part));
        const int index = static_cast<int>(score->parts.size()) - 1;
        PartReader reader(*score, index, parsed.text);
        if (Status s = reader.CountStaves(); !s.ok()) return s;
        ModelPart& stored = score->parts.back();
        // Slots exist before the measures are read, so that entries can name theirs.
        for (int s = 1; s <= stored.staves; ++s) score->slots.push_back(ModelSlot{index, s, {}, {}});
        nextSlot += stored.staves;
        if (Status s = reader.ReadMeasures(); !s.ok()) return s;
        for (int s = 1; s <= stored.staves; ++s) {
            std::vector<std::string> voices(reader.VoicesByStaff()[static_cast<std::size_t>(s - 1)].begin(),
                                            reader.VoicesByStaff()[static_cast<std::size_t>(s - 1)].end());
            std::sort(voices.begin(), voices.end(), VoiceBefore);
            ModelSlot& slot = score->slots[static_cast<std::size_t>(stored.firstSlot + s - 2)];
            for (std::size_t v = 0; v < voices.size(); ++v)
                (v < static_cast<std::size_t>(kMaxLayers) ? slot.layers : slot.unmapped).push_back(voices[v]);
        }
        score->measureCount = std::max(score->measureCount, static_cast<int>(stored.measures.size()));
    }
    if (score->parts.empty()) return failAt("the score has no <part>", root);
    return Status();
}

}  // namespace qz::musicxml
