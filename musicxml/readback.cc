#include "musicxml/readback.h"

#include <algorithm>
#include <set>

#include "host/bytes.h"
#include "host/exentry.h"
#include "hostsim/entry_record.h"

namespace qz::musicxml {
namespace {

namespace ex = qz::host::exentry;

const std::vector<hostsim::Record> kNoRecords;

const std::vector<hostsim::Record>& Stored(const hostsim::Document& document, int slot, int m,
                                           int layer) {
    const auto* found = document.FindEntries(InstrumentOfSlot(slot), m, layer - 1);
    return found ? *found : kNoRecords;
}

const std::vector<hostsim::Record>& Before(const FrameSnapshot& before, int slot, int m,
                                           int layer) {
    auto it = before.find({InstrumentOfSlot(slot), m, layer - 1});
    return it == before.end() ? kNoRecords : it->second;
}

// One entry of a voice's final music: rewritten (its new entry) or unchanged (the model's).
struct TimelineEntry {
    int voiceRewrite = -1;     // index into ReadBackResult::voices, or -1 when unchanged
    int newEntry = -1;         // index into that VoiceRewrite's entries
    int modelEntry = -1;       // unchanged: the entry; rewritten: the source entry copied
    std::vector<int> notes;    // model notes sounding (donors when rewritten)
};

std::vector<pugi::xml_node> ArticulationsOf(const hostsim::Document& document,
                                            const HostMapping& mapping, uint32_t number) {
    std::vector<pugi::xml_node> out;
    for (int64_t index = 0; index < 64; ++index) {
        auto it = document.EData().find(
            {hostsim::kArticulationTag, hostsim::KeyNumber(number), index});
        if (it == document.EData().end()) break;
        if (pugi::xml_node element = mapping.ArticulationElement(it->second))
            out.push_back(element);
    }
    return out;
}

// The new music of one voice in one measure from the rebuilt records; false when a record does
// not lead back to the model (then the measure cannot be written).
bool BuildVoiceRewrite(const Score& score, const HostMapping& mapping,
                       const hostsim::Document& document, const PlannedRepeat& row, int m,
                       VoiceRewrite* out, std::vector<TimelineEntry>* timeline, int voiceIndex) {
    const ModelSlot& slot = score.slots[static_cast<std::size_t>(row.slot - 1)];
    const ModelPart& part = score.parts[static_cast<std::size_t>(slot.part)];
    if (m > static_cast<int>(part.measures.size())) return false;
    out->part = part.element;
    out->measure = part.measures[static_cast<std::size_t>(m - 1)];
    out->staff = slot.staff;
    out->voice = slot.layers[static_cast<std::size_t>(row.layer - 1)];
    out->divisions = part.divisions[static_cast<std::size_t>(m - 1)];
    out->length = score.MeasureLength(row.slot, m);
    for (const hostsim::Record& record : Stored(document, row.slot, m, row.layer)) {
        const int source = HostMapping::EntryOf(record.data());
        if (source < 0 || source >= static_cast<int>(score.entries.size())) return false;
        const ModelEntry& from = score.entries[static_cast<std::size_t>(source)];
        NewEntry entry;
        entry.onset = from.onset;
        entry.duration = from.duration;
        entry.rhythmFrom = from.first;
        TimelineEntry step{voiceIndex, static_cast<int>(out->entries.size()), source, {}};
        if ((ex::Flags(record.data()) & ex::ENTRY_HAS_NOTES) != 0) {
            for (int k = 0; k < ex::NoteCount(record.data()); ++k) {
                const int note = HostMapping::NoteOf(ex::NoteAt(record.data(), k));
                if (note < 0 || note >= static_cast<int>(score.notes.size())) return false;
                entry.pitches.push_back(NewPitch{score.notes[static_cast<std::size_t>(note)].element});
                step.notes.push_back(note);
            }
        }
        entry.articulations = ArticulationsOf(document, mapping, ex::EntryNumber(record.data()));
        out->entries.push_back(std::move(entry));
        timeline->push_back(std::move(step));
    }
    return true;
}

class TieDecider {
public:
    TieDecider(const Score& score, ReadBackResult& result) : score_(score), result_(result) {}

    void Join(const TimelineEntry& a, const TimelineEntry& b) {
        if (a.voiceRewrite < 0 && b.voiceRewrite < 0) return;
        const bool sourceTied = a.voiceRewrite >= 0 &&
            score_.entries[static_cast<std::size_t>(a.modelEntry)].TiedForward(score_.notes);
        std::set<int> answeredStops;  // notes of b whose stop a tie now reaches
        for (std::size_t i = 0; i < a.notes.size(); ++i) {
            const ModelNote& from = Note(a.notes[i]);
            const bool wantsTie = a.voiceRewrite >= 0 ? sourceTied : from.tieStart;
            int match = -1;
            for (std::size_t j = 0; j < b.notes.size(); ++j)
                if (Note(b.notes[j]).pitch == from.pitch && !answeredStops.count(static_cast<int>(j))) {
                    match = static_cast<int>(j);
                    break;
                }
            // Beside an unchanged note its own marks decide: b's stop or a's start must be there.
            const bool bStops = match >= 0 && (b.voiceRewrite >= 0 || Note(b.notes[match]).tieStop);
            const bool tie = match >= 0 && bStops &&
                             (wantsTie || (b.voiceRewrite < 0 && Note(b.notes[match]).tieStop));
            if (tie) {
                answeredStops.insert(match);
                if (a.voiceRewrite >= 0) Pitch(a, i).tieStart = true;
                if (b.voiceRewrite >= 0) Pitch(b, static_cast<std::size_t>(match)).tieStop = true;
            } else if (wantsTie) {
                ++result_.tiesDropped;
            }
        }
        // An unchanged note's stop that no rewritten note reaches any more.
        if (b.voiceRewrite < 0 && a.voiceRewrite >= 0)
            for (std::size_t j = 0; j < b.notes.size(); ++j)
                if (Note(b.notes[j]).tieStop && !answeredStops.count(static_cast<int>(j)))
                    ++result_.tiesDropped;
    }

    void End(const TimelineEntry& a) {  // the voice ends after a rewritten entry
        if (a.voiceRewrite < 0) return;
        if (score_.entries[static_cast<std::size_t>(a.modelEntry)].TiedForward(score_.notes))
            result_.tiesDropped += static_cast<int>(a.notes.size());
    }

private:
    const ModelNote& Note(int n) const { return score_.notes[static_cast<std::size_t>(n)]; }
    NewPitch& Pitch(const TimelineEntry& e, std::size_t i) {
        return result_.voices[static_cast<std::size_t>(e.voiceRewrite)]
            .entries[static_cast<std::size_t>(e.newEntry)]
            .pitches[i];
    }

    const Score& score_;
    ReadBackResult& result_;
};

int LyricsOf(const Score& score, const VoiceMeasure* voice) {
    int count = 0;
    if (voice == nullptr) return 0;
    for (int e : voice->entries)
        for (int n : score.entries[static_cast<std::size_t>(e)].notes)
            count += score.notes[static_cast<std::size_t>(n)].lyrics;
    return count;
}

}  // namespace

FrameSnapshot TakeSnapshot(const hostsim::Document& document,
                           const std::vector<PlannedRepeat>& plan) {
    FrameSnapshot snapshot;
    for (const PlannedRepeat& row : plan)
        for (int m = row.firstMeasure; m <= row.lastMeasure; ++m)
            snapshot[{InstrumentOfSlot(row.slot), m, row.layer - 1}] =
                Stored(document, row.slot, m, row.layer);
    return snapshot;
}

ReadBackResult ReadBack(const Score& score, const HostMapping& mapping,
                        const hostsim::Document& document, const FrameSnapshot& before,
                        const std::vector<PlannedRepeat>& plan,
                        const std::set<std::size_t>& excluded) {
    ReadBackResult result;
    result.rewritten.assign(plan.size(), false);
    // (slot, voice) -> measure -> the measure's final entries, for rewritten measures.
    std::map<std::pair<int, std::string>, std::map<int, std::vector<TimelineEntry>>> rewrittenSteps;
    for (std::size_t r = 0; r < plan.size(); ++r) {
        const PlannedRepeat& row = plan[r];
        bool changed = false;
        for (int m = row.firstMeasure; m <= row.lastMeasure && !changed; ++m)
            changed = Stored(document, row.slot, m, row.layer) != Before(before, row.slot, m, row.layer);
        if (!changed || row.isSource || excluded.count(r)) continue;
        const std::size_t firstVoice = result.voices.size();
        std::map<int, std::vector<TimelineEntry>> steps;
        bool readable = true;
        for (int m = row.firstMeasure; m <= row.lastMeasure && readable; ++m) {
            VoiceRewrite voice;
            readable = BuildVoiceRewrite(score, mapping, document, row, m, &voice, &steps[m],
                                         static_cast<int>(result.voices.size()));
            result.voices.push_back(std::move(voice));
            result.voiceRows.push_back(r);
        }
        if (!readable) {  // never half a repeat: drop what was built for it
            result.voices.resize(firstVoice);
            result.voiceRows.resize(firstVoice);
            continue;
        }
        result.rewritten[r] = true;
        const std::string& voiceName =
            score.slots[static_cast<std::size_t>(row.slot - 1)].layers[static_cast<std::size_t>(row.layer - 1)];
        for (auto& [m, list] : steps) {
            rewrittenSteps[{row.slot, voiceName}][m] = std::move(list);
            result.lyricsDropped += LyricsOf(score, score.Voice(row.slot, m, voiceName));
        }
    }
    // Ties, voice by voice, over the whole score's order of measures.
    TieDecider ties(score, result);
    for (const auto& [key, measures] : rewrittenSteps) {
        std::vector<TimelineEntry> timeline;
        for (int m = 1; m <= score.measureCount; ++m) {
            auto it = measures.find(m);
            if (it != measures.end()) {
                timeline.insert(timeline.end(), it->second.begin(), it->second.end());
                continue;
            }
            if (const VoiceMeasure* v = score.Voice(key.first, m, key.second))
                for (int e : v->entries)
                    timeline.push_back(TimelineEntry{-1, -1, e, score.entries[static_cast<std::size_t>(e)].notes});
        }
        for (std::size_t i = 0; i + 1 < timeline.size(); ++i) ties.Join(timeline[i], timeline[i + 1]);
        if (!timeline.empty()) ties.End(timeline.back());
    }
    return result;
}

}  // namespace qz::musicxml
