#include "musicxml/bridge/host_mapping.h"

#include <algorithm>
#include <cstring>

#include "host/bytes.h"
#include "host/exentry.h"
#include "host/note_record.h"
#include "memhost/entry_record.h"
#include "musicxml/rational.h"

namespace qz::musicxml {
namespace {

namespace ex = qz::host::exentry;
namespace nr = qz::host::note_record;

constexpr int kMaxHostIndex = 32000;

struct KnownArticulation {
    const char* name;
    int16_t number;
};

// MusicXML's articulation elements and the fermata, each one kind.
constexpr KnownArticulation kKnown[] = {
    {"accent", 1},        {"strong-accent", 2},  {"staccato", 3},      {"tenuto", 4},
    {"detached-legato", 5}, {"staccatissimo", 6}, {"spiccato", 7},     {"scoop", 8},
    {"plop", 9},          {"doit", 10},          {"falloff", 11},      {"breath-mark", 12},
    {"caesura", 13},      {"stress", 14},        {"unstress", 15},     {"soft-accent", 16},
    {"other-articulation", 17}, {"fermata", 18},
};

void LayEntry(const Score& score, const ModelEntry& entry, int instrument, int measure, int layer,
              memhost::Document& document, HostMapping* mapping) {
    memhost::EntrySpec built;
    built.position = entry.position;
    built.duration = entry.hostDuration;
    for (int n : entry.notes) built.pitches.push_back(score.notes[static_cast<std::size_t>(n)].midi);
    for (pugi::xml_node a : entry.articulations)
        built.articulations.push_back(mapping->numbers.NumberOf(a.name()));
    document.AddEntry(instrument, measure, layer, built);

    unsigned char* record = document.Entries(instrument, measure, layer).back().data();
    const int kept = ex::NoteCount(record);
    for (int k = 0; k < kept && !entry.notes.empty(); ++k) {
        const int noteIndex = entry.notes[static_cast<std::size_t>(k)];
        unsigned char* note = ex::NoteAt(record, k);
        if (score.notes[static_cast<std::size_t>(noteIndex)].tieStart)
            nr::SetNoteFlags(note, nr::NoteFlags(note) | kTiedForwardFlag);
    }
}

}  // namespace

int16_t ArticulationNumbers::NumberOf(const std::string& name) {
    for (const KnownArticulation& known : kKnown)
        if (name == known.name) return known.number;
    auto it = others_.find(name);
    if (it != others_.end()) return it->second;
    const int16_t number = static_cast<int16_t>(100 + others_.size());
    others_[name] = number;
    return number;
}

bool BuildHostDocument(const Score& score, memhost::Document& document, HostMapping* mapping,
                       std::string* error) {
    const int slots = static_cast<int>(score.slots.size());
    if (slots > kMaxHostIndex || score.measureCount > kMaxHostIndex) {
        *error = "the score has more staves or measures than the host can address (32000)";
        return false;
    }
    document.SetMeasureCount(score.measureCount);
    for (int slot = 1; slot <= slots; ++slot) {
        const int instrument = InstrumentOfSlot(slot);
        document.AddStaff(static_cast<int16_t>(instrument));
        for (int m = 1; m <= score.measureCount; ++m) {
            const int32_t length = std::max<int32_t>(1, ToHostUnits(score.MeasureLength(slot, m)));
            document.SetMeasureDuration(instrument, m, length);
        }
        const ModelSlot& model = score.slots[static_cast<std::size_t>(slot - 1)];
        for (std::size_t layer = 0; layer < model.layers.size(); ++layer)
            for (int m = 1; m <= score.measureCount; ++m) {
                const VoiceMeasure* voice = score.Voice(slot, m, model.layers[layer]);
                if (voice == nullptr) continue;
                for (int e : voice->entries)
                    LayEntry(score, score.entries[static_cast<std::size_t>(e)], instrument, m,
                             static_cast<int>(layer), document, mapping);
            }
    }
    return true;
}

}  // namespace qz::musicxml
