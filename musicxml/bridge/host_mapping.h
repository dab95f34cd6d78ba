// The score model laid into the in-memory host's document, so that the plug-in's own code can
// run over it. Where each rewritten entry came from is the engine's to tell (create_observer.h):
// the entries of a staff's measure and layer lie in the model's order, so an entry's index in
// its frame names the model entry.
//
// Layout in the host:
//   - slot n is staff instrument n; measures 1..n; each frame's length is the model's measure
//     length (an override per staff and measure, so pickups and odd meters are exact);
//   - layer L-1 of a slot holds the entries of the voice mapped to layer L;
//   - an entry record carries its position, its duration in the document's bytes 140..143 and
//     ENTRY_HAS_NOTES for notes; a note tied forward carries note flag 0x40000000;
//   - each articulation is a 12-byte record whose definition number stands for the element's
//     name (ArticulationNumber), in the model entry's order.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "memhost/document.h"
#include "musicxml/read/score_model.h"

namespace qz::musicxml {

inline constexpr uint32_t kTiedForwardFlag = 0x40000000;     // note flag

class ArticulationNumbers {
public:
    // The definition number of an articulation element's name: a fixed number for the names
    // MusicXML defines (and <fermata>), numbers from 100 up for others, given in order of
    // first use, so that one run gives one name one number.
    int16_t NumberOf(const std::string& name);

private:
    std::map<std::string, int16_t> others_;
};

struct HostMapping {
    ArticulationNumbers numbers;
};

// Fills `document` (fresh: no staves yet) with the score. Returns false with `error` when the
// score exceeds what the host can address (more than 32000 staves or measures).
bool BuildHostDocument(const Score& score, memhost::Document& document, HostMapping* mapping,
                       std::string* error);

// The instrument a slot is laid on.
inline int InstrumentOfSlot(int slot) { return slot; }

}  // namespace qz::musicxml
