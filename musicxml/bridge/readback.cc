#include "musicxml/bridge/readback.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "musicxml/write/divisions.h"

namespace qz::musicxml {
namespace {

// One entry of a voice's final music: rewritten (its new entry) or unchanged (the model's).
struct TimelineEntry {
    int voiceRewrite = -1;     // index into ReadBackResult::voices, or -1 when unchanged
    int newEntry = -1;         // index into that VoiceRewrite's entries
    int modelEntry = -1;       // unchanged: the entry; rewritten: the source entry copied
    std::vector<int> notes;    // model notes sounding (donors when rewritten)
};

// The model entry at an entry place of a voice; null when the place leads nowhere.
const ModelEntry* EntryAt(const Score& score, int slot, const std::string& voice,
                          const engine::EntryPlace& place, int* index) {
    const VoiceMeasure* v = score.Voice(slot, place.measure, voice);
    if (v == nullptr || place.index < 0 || place.index >= static_cast<int>(v->entries.size()))
        return nullptr;
    *index = v->entries[static_cast<std::size_t>(place.index)];
    return &score.entries[static_cast<std::size_t>(*index)];
}

// The new music of one voice in one measure, from what the engine said each rebuilt entry came
// from; false when an entry does not lead back to the model (then the measure cannot be written).
bool BuildVoiceRewrite(const Score& score, const Selection& source, const EngineRepeat& row, int m,
                       VoiceRewrite* out, std::vector<TimelineEntry>* timeline, int voiceIndex) {
    const ModelSlot& slot = score.slots[static_cast<std::size_t>(row.slot - 1)];
    const ModelPart& part = score.parts[static_cast<std::size_t>(slot.part)];
    if (m > static_cast<int>(part.measures.size())) return false;
    out->part = part.element;
    out->measure = part.measures[static_cast<std::size_t>(m - 1)];
    out->staff = slot.staff;
    out->voice = slot.layers[static_cast<std::size_t>(row.layer - 1)];
    out->divisions = part.divisions[static_cast<std::size_t>(m - 1)];
    out->key = part.keys[static_cast<std::size_t>(m - 1)][static_cast<std::size_t>(slot.staff - 1)];
    out->length = score.MeasureLength(row.slot, m);
    const std::string& sourceVoice = score.slots[static_cast<std::size_t>(source.firstSlot - 1)].layers[0];
    for (const engine::RebuiltEntry& rebuilt : row.entries) {
        if (rebuilt.at.measure != m) continue;
        int sourceIndex = -1, donorIndex = -1;
        const ModelEntry* from = EntryAt(score, source.firstSlot, sourceVoice, rebuilt.source, &sourceIndex);
        const ModelEntry* donor = EntryAt(score, row.slot, out->voice, rebuilt.donor, &donorIndex);
        if (from == nullptr || (donor == nullptr && !rebuilt.rest)) return false;
        NewEntry entry;
        entry.onset = from->onset;
        entry.duration = from->duration;
        entry.rhythmFrom = from->first;
        TimelineEntry step{voiceIndex, static_cast<int>(out->entries.size()), sourceIndex, {}};
        if (!rebuilt.rest)
            for (int note : donor->notes) {
                entry.pitches.push_back(NewPitch{score.notes[static_cast<std::size_t>(note)].element});
                step.notes.push_back(note);
            }
        for (const engine::ArticulationOrigin& origin : rebuilt.articulations) {
            const ModelEntry* owner = origin.fromSource ? from : donor;
            if (owner == nullptr || origin.index < 0 ||
                origin.index >= static_cast<int>(owner->articulations.size()))
                return false;
            entry.articulations.push_back(owner->articulations[static_cast<std::size_t>(origin.index)]);
        }
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
                if (a.voiceRewrite < 0) Orphan(Note(a.notes[i]).element, "start");
            }
        }
        // An unchanged note's stop that no rewritten note reaches any more.
        if (b.voiceRewrite < 0 && a.voiceRewrite >= 0)
            for (std::size_t j = 0; j < b.notes.size(); ++j)
                if (Note(b.notes[j]).tieStop && !answeredStops.count(static_cast<int>(j))) {
                    ++result_.tiesDropped;
                    Orphan(Note(b.notes[j]).element, "stop");
                }
    }

    void End(const TimelineEntry& a) {  // the voice ends after a rewritten entry
        if (a.voiceRewrite < 0) return;
        if (score_.entries[static_cast<std::size_t>(a.modelEntry)].TiedForward(score_.notes))
            result_.tiesDropped += static_cast<int>(a.notes.size());
    }

private:
    // The note's tie marks of that type go: the note they joined is no longer there.
    void Orphan(pugi::xml_node note, const char* type) {
        auto typed = [&](pugi::xml_node n) {
            return std::strcmp(n.attribute("type").value(), type) == 0;
        };
        for (pugi::xml_node tie = note.child("tie"); tie; tie = tie.next_sibling("tie"))
            if (typed(tie)) result_.orphanEnds.push_back(tie);
        for (pugi::xml_node n = note.child("notations"); n; n = n.next_sibling("notations"))
            for (pugi::xml_node tied = n.child("tied"); tied; tied = tied.next_sibling("tied"))
                if (typed(tied)) result_.orphanEnds.push_back(tied);
    }
    const ModelNote& Note(int n) const { return score_.notes[static_cast<std::size_t>(n)]; }
    NewPitch& Pitch(const TimelineEntry& e, std::size_t i) {
        return result_.voices[static_cast<std::size_t>(e.voiceRewrite)]
            .entries[static_cast<std::size_t>(e.newEntry)]
            .pitches[i];
    }

    const Score& score_;
    ReadBackResult& result_;
};

// Each lyric of the replaced notes goes to the new note at its onset, or is dropped.
void MoveLyrics(const Score& score, const VoiceMeasure* old, VoiceRewrite* voice,
                ReadBackResult* result) {
    if (old == nullptr) return;
    for (int e : old->entries) {
        const ModelEntry& replaced = score.entries[static_cast<std::size_t>(e)];
        std::vector<pugi::xml_node> lyrics;
        for (int n : replaced.notes)
            for (pugi::xml_node lyric : score.notes[static_cast<std::size_t>(n)].element.children("lyric"))
                lyrics.push_back(lyric);
        auto carrier = std::find_if(voice->entries.begin(), voice->entries.end(), [&](const NewEntry& x) {
            return !x.pitches.empty() && x.onset == replaced.onset;
        });
        if (carrier == voice->entries.end()) {
            result->lyricsDropped += static_cast<int>(lyrics.size());
            continue;
        }
        carrier->lyrics.insert(carrier->lyrics.end(), lyrics.begin(), lyrics.end());
        result->lyricsMoved += static_cast<int>(lyrics.size());
    }
}

// One end of a slur on a note of the voice as the file has it.
struct SlurEnd {
    int measure = 0;
    Fraction onset;
    pugi::xml_node slur;
    bool start = false;
};

std::vector<SlurEnd> SlurEndsOf(const Score& score, int slot, const std::string& voice) {
    std::vector<SlurEnd> ends;
    for (int m = 1; m <= score.measureCount; ++m) {
        const VoiceMeasure* v = score.Voice(slot, m, voice);
        for (int e : v ? v->entries : std::vector<int>{}) {
            const ModelEntry& entry = score.entries[static_cast<std::size_t>(e)];
            for (int n : entry.notes)
                for (pugi::xml_node x : score.notes[static_cast<std::size_t>(n)].element.children("notations"))
                    for (pugi::xml_node slur : x.children("slur")) {
                        const char* type = slur.attribute("type").value();
                        if (std::strcmp(type, "start") == 0 || std::strcmp(type, "stop") == 0)
                            ends.push_back({m, entry.onset, slur, std::strcmp(type, "start") == 0});
                    }
        }
    }
    return ends;
}

// The new note that takes over a replaced slur end: the one at its onset, else the nearest
// toward the slur's other end, else the nearest the other way; -1 when the measure has none.
int SlurCarrier(const VoiceRewrite& voice, const SlurEnd& end) {
    int before = -1, after = -1;
    for (std::size_t i = 0; i < voice.entries.size(); ++i) {
        const NewEntry& entry = voice.entries[i];
        if (entry.pitches.empty()) continue;
        const int order = Compare(entry.onset, end.onset);
        if (order == 0) return static_cast<int>(i);
        if (order < 0) before = static_cast<int>(i);
        if (order > 0 && after < 0) after = static_cast<int>(i);
    }
    if (end.start) return after >= 0 ? after : before;
    return before >= 0 ? before : after;
}

void MarkBusy(VoiceRewrite* voice, const std::string& number) {
    auto& busy = voice->busySlurNumbers;
    if (std::find(busy.begin(), busy.end(), number) == busy.end()) busy.push_back(number);
}

// Slurs of one voice with an end on a replaced note and the other on a note left as it was:
// both ends stay (the replaced one carried to a new note) or both go.
void KeepSlursWhole(const Score& score, int slot, const std::string& voiceName,
                    const std::map<int, std::size_t>& rewritten, ReadBackResult* result) {
    const std::vector<SlurEnd> ends = SlurEndsOf(score, slot, voiceName);
    auto voiceAt = [&](int m) -> VoiceRewrite* {
        auto it = rewritten.find(m);
        return it == rewritten.end() ? nullptr : &result->voices[it->second];
    };
    std::map<std::string, const SlurEnd*> open;
    for (const SlurEnd& end : ends) {
        const std::string number = SlurNumber(end.slur);
        if (end.start) {
            open[number] = &end;
            continue;
        }
        auto found = open.find(number);
        if (found == open.end()) continue;  // a stop the file never started: not ours to mend
        const SlurEnd& start = *found->second;
        open.erase(found);
        VoiceRewrite* startVoice = voiceAt(start.measure);
        VoiceRewrite* stopVoice = voiceAt(end.measure);
        if (startVoice != nullptr && stopVoice != nullptr) continue;  // both replaced: both go
        if (startVoice != nullptr || stopVoice != nullptr) {
            const SlurEnd& replaced = startVoice != nullptr ? start : end;
            VoiceRewrite* carrierVoice = startVoice != nullptr ? startVoice : stopVoice;
            const int carrier = SlurCarrier(*carrierVoice, replaced);
            if (carrier < 0) {
                result->orphanEnds.push_back((startVoice != nullptr ? end : start).slur);
                continue;
            }
            carrierVoice->entries[static_cast<std::size_t>(carrier)].carriedSlurs.push_back(replaced.slur);
            MarkBusy(carrierVoice, number);
        }
        for (int m = start.measure + 1; m < end.measure; ++m)
            if (VoiceRewrite* passed = voiceAt(m)) MarkBusy(passed, number);
    }
}

}  // namespace

ReadBackResult ReadBack(const Score& score, const Selection& source,
                        const std::vector<EngineRepeat>& plan,
                        const std::vector<std::size_t>& rows) {
    ReadBackResult result;
    result.rewritten.assign(plan.size(), false);
    // (slot, voice) -> measure -> the measure's final entries, for rewritten measures.
    std::map<std::pair<int, std::string>, std::map<int, std::vector<TimelineEntry>>> rewrittenSteps;
    // (slot, voice) -> measure -> index into result.voices.
    std::map<std::pair<int, std::string>, std::map<int, std::size_t>> rewrittenVoices;
    for (const std::size_t r : rows) {
        const EngineRepeat& row = plan[r];
        if (!row.Rewritten()) continue;
        const std::size_t firstVoice = result.voices.size();
        std::map<int, std::vector<TimelineEntry>> steps;
        bool readable = true;
        for (int m = row.firstMeasure; m <= row.lastMeasure && readable; ++m) {
            VoiceRewrite voice;
            readable = BuildVoiceRewrite(score, source, row, m, &voice, &steps[m],
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
            const std::size_t index = firstVoice + static_cast<std::size_t>(m - row.firstMeasure);
            rewrittenVoices[{row.slot, voiceName}][m] = index;
            MoveLyrics(score, score.Voice(row.slot, m, voiceName), &result.voices[index], &result);
        }
    }
    for (const auto& [key, measures] : rewrittenVoices)
        KeepSlursWhole(score, key.first, key.second, measures, &result);
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
