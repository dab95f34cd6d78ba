// What a CREATE may and may not change, stated over copies of the simulated document.
//
// A snapshot keeps, for every staff, measure and layer, the stored entry records and the records
// attached to each entry (articulations and details, by tag and index), and apart from those
// every other extended-data record. The checks compare the document before a CREATE, after a
// fault-free run of it and after the same CREATE under host faults:
//   - outside the destination, and in every other document, nothing changes;
//   - each destination repeat (one staff, one layer, one stretch of source length) is whole:
//     all its measures as they were, or all as the fault-free run rewrote them. Entry numbers
//     are the host's choice and may differ between the runs; everything else must match;
//   - an attached record exists only where the fault-free run has it (it can be missing only
//     when the host refused to store it).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "hostsim/sim_host.h"

namespace qz::fuzz {

// Records attached to one entry: (tag, index) -> bytes.
using AttachedRecords = std::map<std::pair<uint32_t, int64_t>, std::vector<unsigned char>>;

struct PlaceState {
    std::vector<hostsim::Record> records;
    std::vector<AttachedRecords> attached;  // one per record
};

// Staff slot (1-based), measure (1-based), layer (0-based).
using PlaceKey = std::tuple<int, int, int>;

struct DocumentSnapshot {
    int staves = 0, measures = 0;  // the document's extent
    std::map<PlaceKey, PlaceState> places;
    // Every extended-data record, keyed as the document keys it.
    std::map<hostsim::Document::EDataKey, std::vector<unsigned char>> data;
    // The host hands out no entry number below this one after the snapshot.
    int64_t numbersFrom = 0;
};

// The rectangle CREATE may rewrite and the length of one repeat. Empty (no repeats) when the
// records describe no whole, forward range.
struct Destination {
    int firstSlot = 0, lastSlot = -1, firstMeasure = 0, lastMeasure = -1, length = 0;
    // The destination shares measures with the source: a repeat may then read music an earlier
    // repeat of the same command wrote, so what a repeat becomes depends on whether those earlier
    // repeats were written, and no fault-free run can say it. Only the rest of the document is
    // checked then.
    bool overlapsSource = false;

    static Destination FromRecords(const unsigned char* destination, const unsigned char* source);
    // Whether the place belongs to a complete repeat of the destination.
    bool Covers(int slot, int measure) const;
};

// How much a faulted run may differ from the fault-free one.
struct Tolerance {
    // The host may have refused the writes that restore a repeat: then only each measure must be
    // whole (all old or all new), not the whole repeat.
    bool restoreMayFail = false;
    // The host may have refused to store attached records, or the frame write that flags them
    // and then the write that restores the old frame: a rewritten entry may lack some records,
    // and the flags that announce them, and its notes may be one save short of the host's
    // normalised note ids.
    bool attachedMayBeMissing = false;
    // Articulation reads may have failed, which the plug-in cannot tell from records that are not
    // there: a rewritten entry may lack some of its articulations and the mark that announces
    // them, and those it has may sit at other indexes (they follow the ones it did get).
    bool articulationsMayBeMissing = false;
    // The host may have refused to delete the records of a repeat it then restored: they stay
    // under numbers it handed out during the command, which no entry keeps and which it never
    // hands out again, so the score cannot show them. Only such records may be left over.
    bool leftoverRecordsMayRemain = false;
};

// `layers` layers of every staff and measure of `doc`, and all its extended data.
DocumentSnapshot Take(const hostsim::Document& doc, int layers);

// "" when `after` keeps everything outside `destination` as `before` had it, and every repeat
// whole against `rewritten` (the fault-free result); otherwise the first problem, told with
// the place and both versions.
std::string CheckCreate(const DocumentSnapshot& before, const DocumentSnapshot& rewritten,
                        const DocumentSnapshot& after, const Destination& destination,
                        const Tolerance& tolerance);

// "" when nothing at all changed (a document the command must not touch).
std::string CheckUnchanged(const DocumentSnapshot& before, const DocumentSnapshot& after);

}  // namespace qz::fuzz
