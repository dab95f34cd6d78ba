// BuildScore: one pass per part over its measures, keeping a cursor in exact quarters.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <set>

#include "musicxml/fraction_math.h"
#include "musicxml/score_model.h"
#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

constexpr int kMaxStaves = 64;              // staves in one part
constexpr int64_t kMaxDivisions = 1 << 30;  // <divisions> per quarter
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

// The pitch key and MIDI number of a note ("" and 60 for a rest).
void ReadPitch(pugi::xml_node note, ModelNote* out) {
    if (pugi::xml_node pitch = note.child("pitch")) {
        std::string step = Trimmed(pitch.child_value("step"));
        std::string alter = Trimmed(pitch.child_value("alter"));
        std::string octave = Trimmed(pitch.child_value("octave"));
        double alterValue = alter.empty() ? 0.0 : std::strtod(alter.c_str(), nullptr);
        if (!std::isfinite(alterValue) || std::fabs(alterValue) > 4) alterValue = 0;
        out->pitch = step + "/" + (alter.empty() ? "0" : alter) + "/" + octave;
        int64_t oct = 4;
        ParseInt(octave.c_str(), 0, 9, &oct);
        int semitone = step.size() == 1 ? StepSemitone(step[0]) : 0;
        out->midi = static_cast<int>(12 * (oct + 1) + std::max(semitone, 0) +
                                     static_cast<long>(std::lround(alterValue)));
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
    PartReader(Score& score, int partIndex, ModelError* error)
        : score_(score), partIndex_(partIndex), error_(error) {}

    bool CountStaves();
    bool ReadMeasures();
    const std::vector<std::set<std::string>>& VoicesByStaff() const { return voicesByStaff_; }

private:
    ModelPart& Part() { return score_.parts[static_cast<std::size_t>(partIndex_)]; }
    bool Fail(const std::string& message, pugi::xml_node where) {
        error_->message = message;
        error_->where = where;
        return false;
    }
    bool ReadAttributes(pugi::xml_node attributes);
    void ReadKeys(pugi::xml_node attributes);
    bool ReadDuration(pugi::xml_node holder, Fraction* out);
    bool ReadNote(pugi::xml_node note, int measure);
    int AddNote(pugi::xml_node note);  // the pitched note's index in the score's note table
    void CloseMeasure(int measure);

    Score& score_;
    int partIndex_;
    ModelError* error_;
    int64_t divisions_ = 1;
    Fraction timeLength_{4, 1};
    // Per measure:
    Fraction cursor_{0, 1};
    Fraction end_{0, 1};
    int lastEntry_ = -1;        // the entry a <chord/> note joins
    int lastEntrySlot_ = 0;
    bool lastWasGrace_ = false;
    bool anyNote_ = false;
    std::map<std::string, std::set<int>> stavesOfVoice_;  // voice -> staves, this measure
    std::vector<std::set<std::string>> voicesByStaff_;
    std::vector<pugi::xml_node> keys_;  // per staff, the <key> last stated
};

bool PartReader::CountStaves() {
    int staves = 1;
    for (pugi::xml_node measure : Part().measures) {
        for (pugi::xml_node attributes : measure.children("attributes"))
            if (pugi::xml_node node = attributes.child("staves")) {
                int64_t n = 0;
                if (!ParseInt(node.child_value(), 1, kMaxStaves, &n))
                    return Fail("<staves> must be a number from 1 to 64", node);
                staves = std::max(staves, static_cast<int>(n));
            }
        for (pugi::xml_node note : measure.children("note"))
            if (pugi::xml_node node = note.child("staff")) {
                int64_t n = 0;
                if (!ParseInt(node.child_value(), 1, kMaxStaves, &n))
                    return Fail("<staff> must be a number from 1 to 64", node);
                staves = std::max(staves, static_cast<int>(n));
            }
    }
    Part().staves = staves;
    voicesByStaff_.assign(static_cast<std::size_t>(staves), {});
    keys_.assign(static_cast<std::size_t>(staves), pugi::xml_node());
    return true;
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

bool PartReader::ReadAttributes(pugi::xml_node attributes) {
    if (pugi::xml_node node = attributes.child("divisions")) {
        if (!ParseInt(node.child_value(), 1, kMaxDivisions, &divisions_))
            return Fail("<divisions> must be a whole number from 1 to 1073741824", node);
    }
    if (pugi::xml_node time = attributes.child("time")) {
        std::optional<Fraction> length = TimeLength(time);
        timeLength_ = length ? *length : Fraction{4, 1};
    }
    return true;
}

bool PartReader::ReadDuration(pugi::xml_node holder, Fraction* out) {
    pugi::xml_node node = holder.child("duration");
    *out = Fraction{0, 1};
    if (!node) return true;
    std::optional<Fraction> value = ParseDecimal(node.child_value());
    if (!value || value->num < 0 || value->num > (int64_t{1} << 40))
        return Fail("<duration> must be a non-negative number", node);
    std::optional<Fraction> quarters = MakeFraction(value->num, value->den * divisions_);
    if (!quarters) return Fail("<duration> out of range", node);
    *out = *quarters;
    return true;
}

int PartReader::AddNote(pugi::xml_node note) {
    ModelNote model;
    model.element = note;
    ReadPitch(note, &model);
    ReadTies(note, &model);
    score_.notes.push_back(model);
    return static_cast<int>(score_.notes.size()) - 1;
}

bool PartReader::ReadNote(pugi::xml_node note, int measure) {
    int64_t staff = 1;
    if (pugi::xml_node node = note.child("staff")) ParseInt(node.child_value(), 1, kMaxStaves, &staff);
    std::string voice = Trimmed(note.child_value("voice"));
    if (voice.empty()) voice = "1";
    const int slot = Part().firstSlot + static_cast<int>(staff) - 1;
    voicesByStaff_[static_cast<std::size_t>(staff - 1)].insert(voice);
    stavesOfVoice_[voice].insert(static_cast<int>(staff));
    VoiceMeasure& vm = score_.voices[{slot, measure, voice}];
    const bool chord = static_cast<bool>(note.child("chord"));
    const bool rest = static_cast<bool>(note.child("rest"));

    if (note.child("grace")) {
        vm.grace = true;
        lastWasGrace_ = !chord || lastWasGrace_;
        return true;
    }
    if (note.child("cue")) vm.cue = true;
    Fraction duration;
    if (!ReadDuration(note, &duration)) return false;
    anyNote_ = true;

    if (chord && lastEntry_ >= 0 && !lastWasGrace_) {
        if (rest) return true;  // a rest cannot sound with a chord: it adds nothing
        ModelEntry& entry = score_.entries[static_cast<std::size_t>(lastEntry_)];
        entry.notes.push_back(AddNote(note));
        CollectArticulations(note, &entry.articulations);
        if (entry.notes.size() > static_cast<std::size_t>(kMaxChordNotes)) {
            score_.voices[{lastEntrySlot_, measure, voice}].bigChord = true;
        }
        return true;
    }
    lastWasGrace_ = false;
    ModelEntry entry;
    entry.onset = cursor_;
    entry.duration = duration;
    entry.first = note;
    std::optional<Fraction> end = Add(cursor_, duration);
    if (!end) return Fail("the measure's notes add up to more than can be counted", note);
    entry.position = ToHostUnits(cursor_);
    entry.hostDuration = ToHostUnits(*end) - entry.position;
    if (!rest) entry.notes.push_back(AddNote(note));
    CollectArticulations(note, &entry.articulations);
    score_.entries.push_back(std::move(entry));
    lastEntry_ = static_cast<int>(score_.entries.size()) - 1;
    lastEntrySlot_ = slot;
    vm.entries.push_back(lastEntry_);
    cursor_ = *end;
    if (end_ < cursor_) end_ = cursor_;
    return true;
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

bool PartReader::ReadMeasures() {
    int measure = 0;
    for (pugi::xml_node element : Part().measures) {
        ++measure;
        Part().divisions.push_back(divisions_);
        Part().keys.push_back(keys_);
        cursor_ = end_ = Fraction{0, 1};
        lastEntry_ = -1;
        lastWasGrace_ = false;
        anyNote_ = false;
        stavesOfVoice_.clear();
        bool divisionsStated = false;
        for (pugi::xml_node child : element.children()) {
            if (Named(child, "attributes")) {
                bool before = child.child("divisions") && !anyNote_ && !divisionsStated;
                if (!ReadAttributes(child)) return false;
                if (before) {  // stated before any note: in force from the measure's start
                    Part().divisions.back() = divisions_;
                    divisionsStated = true;
                }
                ReadKeys(child);
                if (!anyNote_) Part().keys.back() = keys_;
            } else if (Named(child, "note")) {
                if (!ReadNote(child, measure)) return false;
            } else if (Named(child, "backup") || Named(child, "forward")) {
                Fraction amount;
                if (!ReadDuration(child, &amount)) return false;
                std::optional<Fraction> moved =
                    Named(child, "forward") ? Add(cursor_, amount) : Subtract(cursor_, amount);
                if (!moved) return Fail("<backup>/<forward> out of range", child);
                cursor_ = moved->num < 0 ? Fraction{0, 1} : *moved;
                if (end_ < cursor_) end_ = cursor_;
                lastEntry_ = -1;
            }
        }
        CloseMeasure(measure);
    }
    return true;
}

}  // namespace

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

bool BuildScore(const pugi::xml_document& doc, Score* score, ModelError* error) {
    *score = Score{};
    pugi::xml_node root = doc.document_element();
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
            if (static_cast<int>(part.measures.size()) >= kMaxMeasures) {
                error->message = "more than 100000 measures";
                error->where = m;
                return false;
            }
            part.measures.push_back(m);
        }
        part.firstSlot = nextSlot;
        score->parts.push_back(std::move(part));
        const int index = static_cast<int>(score->parts.size()) - 1;
        PartReader reader(*score, index, error);
        if (!reader.CountStaves()) return false;
        ModelPart& stored = score->parts.back();
        // Slots exist before the measures are read, so that entries can name theirs.
        for (int s = 1; s <= stored.staves; ++s) score->slots.push_back(ModelSlot{index, s, {}, {}});
        nextSlot += stored.staves;
        if (!reader.ReadMeasures()) return false;
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
    if (score->parts.empty()) {
        error->message = "the score has no <part>";
        error->where = root;
        return false;
    }
    return true;
}

}  // namespace qz::musicxml
