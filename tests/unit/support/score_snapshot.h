// A document's music as comparable values: per place (staff, measure, layer) the entry records
// with the extended data attached to each, without the entry numbers.
//
// Entry numbers are the host's bookkeeping: a run that was undone and retried numbers its new
// entries differently from a fault-free run, yet holds the same music. So a record is compared
// with its number zeroed, and the records attached to it (articulations and details) are
// compared by tag, index and bytes, not by the number they are keyed under.
#pragma once

#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "hostsim/sim_host.h"

namespace qz::testing {

struct EntrySnapshot {
    std::vector<unsigned char> record;  // the 146 bytes, entryNumber zeroed
    std::vector<std::string> attached;  // "tag/index: bytes" per attached record, in key order
    bool operator==(const EntrySnapshot&) const = default;
};

using MeasureSnapshot = std::vector<EntrySnapshot>;
using Place = std::tuple<int, int, int>;  // instrument, measure, layer (0-based)
using ScoreSnapshot = std::map<Place, MeasureSnapshot>;

// Every place of the given staves (instrument numbers), measures 1..measures and layers 0..3.
ScoreSnapshot TakeSnapshot(const hostsim::Document& document, const std::vector<int>& instruments,
                           int measures);

// A short description for failure messages.
std::string Describe(const MeasureSnapshot& measure);

}  // namespace qz::testing
