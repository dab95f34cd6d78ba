// The score model laid into the in-memory host's document, so that the plug-in's own code can
// run over it, with handles that lead every record the engine writes back to the elements it
// came from.
//
// Layout in the host:
//   - slot n is staff instrument n; measures 1..n; each frame's length is the model's measure
//     length (an override per staff and measure, so pickups and odd meters are exact);
//   - layer L-1 of a slot holds the entries of the voice mapped to layer L;
//   - an entry record carries its model entry as a handle in bytes 4..7 (the engine's entry
//     copy keeps them, so a rebuilt entry tells which source entry it was copied from), its
//     position, its duration in the in-memory host's bytes 140..143, ENTRY_HAS_NOTES for notes;
//   - each note's 4-byte noteData is a handle to its model note (the donor of a rebuilt note);
//     a note tied forward carries note flag 0x40000000;
//   - each articulation is a 12-byte record whose definition number stands for the element's
//     name (ArticulationNumber) and whose bytes 8..11 are a handle to the element.
// Handles are indexes plus one; 0 means none.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "memhost/document.h"
#include "musicxml/score_model.h"

namespace qz::musicxml {

inline constexpr std::size_t kEntryHandleOffset = 4;        // EXENTRY bytes 4..7
inline constexpr std::size_t kArticulationHandleOffset = 8;  // articulation record bytes 8..11
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
    std::vector<pugi::xml_node> articulationElements;  // handle - 1 -> element
    ArticulationNumbers numbers;

    // Model entry of an entry record (by its handle), -1 when it carries none.
    static int EntryOf(const unsigned char* record);
    // Model note of a note record (by its noteData handle), -1 when it carries none.
    static int NoteOf(const unsigned char* note);
    // The element behind an articulation record, empty when unknown.
    pugi::xml_node ArticulationElement(const std::vector<unsigned char>& record) const;
};

// Fills `document` (fresh: no staves yet) with the score. Returns false with `error` when the
// score exceeds what the host can address (more than 32000 staves or measures).
bool BuildHostDocument(const Score& score, memhost::Document& document, HostMapping* mapping,
                       std::string* error);

// The instrument a slot is laid on.
inline int InstrumentOfSlot(int slot) { return slot; }

}  // namespace qz::musicxml
