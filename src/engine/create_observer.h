// CreateObserver: what CREATE did with each repeat, told to a caller that wants to know.
//
// For every destination staff x layer x repeat, in the driver's order, the observer hears the
// decision and the rule that made it, and for a rewritten repeat where each rebuilt entry came
// from: the source entry whose rhythm it copies, the destination entry whose pitches it took
// (its donor), and the origin of each articulation it holds. Before a repeat is read, the
// observer may also ask for it to be left alone. The DLL passes no observer: the driver then
// makes no call and builds nothing for one. Threading: the caller's, during CopyPatternToRegion.
#pragma once

#include <cstdint>
#include <vector>

namespace qz::engine {

// One repeat: a stretch of destination measures, as long as the source, of one layer of one
// staff slot.
struct RepeatPlace {
    int slot = 0;
    int layer = 0;  // 0-based
    int firstMeasure = 0;
    int lastMeasure = 0;
};

enum class RepeatOutcome : uint8_t {
    kRewritten,        // rewritten (measures the source does not reach, skipSave ones, stay)
    kVetoed,           // the observer asked for it to be left alone
    kHidden,           // the host hides the layer
    kEmpty,            // no entry
    kMeasureTooShort,  // `measure` is shorter than source measure `sourceMeasure`
    kUnmatchedAttack,  // an entry at `measure`, `position` where the source has none
    kIsSource,         // the source itself
    kNoFrame,          // a frame the host could not supply, or handed out malformed
    kRestored,         // the host refused, or cannot make, a write the repeat needs; whatever
                       // was written was undone
    kOutOfMemory,      // memory ran out before the first write; nothing was written
};

struct RepeatDecision {
    RepeatPlace place;
    RepeatOutcome outcome = RepeatOutcome::kRewritten;
    int measure = 0;
    int sourceMeasure = 0;
    int32_t position = 0;  // in the host's position units
};

// An entry of a layer: its measure and its index among the entries of that measure's frame.
struct EntryPlace {
    int measure = 0;
    int index = -1;  // -1: none
};

struct ArticulationOrigin {
    bool fromSource = false;  // else from the donor
    int index = 0;            // its index among that entry's articulations
};

struct RebuiltEntry {
    EntryPlace at;      // where it lies in the destination
    EntryPlace source;  // the source entry it copies
    EntryPlace donor;   // the destination entry sounding at its place
    bool rest = false;  // a rest; otherwise it holds its donor's notes
    std::vector<ArticulationOrigin> articulations;  // in the order the entry holds them
};

class CreateObserver {
public:
    virtual ~CreateObserver() = default;
    // Asked before the repeat is read; false leaves it as it is (reported as kVetoed).
    virtual bool MayRewrite(const RepeatPlace& place) = 0;
    // Once per repeat, when the engine is done with it. `entries` holds the rebuilt entries of
    // a rewritten repeat, in score order, and is empty otherwise; borrowed for the call.
    virtual void OnRepeat(const RepeatDecision& decision, const std::vector<RebuiltEntry>& entries) = 0;
};

}  // namespace qz::engine
