#include "support/score_snapshot.h"

#include <algorithm>
#include <limits>
#include <set>

#include "host/bytes.h"
#include "host/eregion.h"
#include "host/exentry.h"
#include "host/frame_ops.h"
#include "host/tgf.h"
#include "memhost/entry_record.h"

namespace qz::fuzz {

namespace ex = qz::host::exentry;
namespace er = qz::host::eregion;
using qz::host::Load;

namespace {

constexpr uint32_t kAttachedTags[] = {hostsim::kArticulationTag, hostsim::kDetailTag};

bool IsAttachedTag(uint32_t tag) {
    return std::find(std::begin(kAttachedTags), std::end(kAttachedTags), tag) !=
           std::end(kAttachedTags);
}

AttachedRecords AttachedTo(const hostsim::Document& doc, uint32_t number) {
    AttachedRecords attached;
    const auto& store = doc.EData();
    const int64_t first = hostsim::KeyNumber(number);
    for (uint32_t tag : kAttachedTags)
        for (auto it = store.lower_bound({tag, first, std::numeric_limits<int64_t>::min()});
             it != store.end() && it->first.tag == tag && it->first.first == first; ++it)
            attached[{tag, it->first.second}] = it->second;
    return attached;
}

std::string PlaceName(const PlaceKey& key) {
    return hostsim::SimHost::PlaceText(std::get<0>(key), std::get<1>(key), std::get<2>(key));
}

std::string Hex(const std::vector<unsigned char>& bytes, size_t from = 0, size_t to = ~size_t{0}) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = from; i < std::min(to, bytes.size()); ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

std::string Describe(const PlaceState& state) {
    std::string text = std::to_string(state.records.size()) + " entries";
    for (size_t i = 0; i < state.records.size(); ++i) {
        text += "\n    #" + std::to_string(ex::EntryNumber(state.records[i].data())) +
                " flags " + Hex(state.records[i], ex::kFlags, ex::kFlags + 4) + " notes " +
                Hex(state.records[i], ex::kNoteCount, ex::kNoteCount + 2) + " pos " +
                Hex(state.records[i], ex::kPosition, ex::kPosition + 4) + " +" +
                std::to_string(state.attached[i].size()) + " attached";
        for (const auto& [key, bytes] : state.attached[i])
            text += " [" + std::to_string(key.first) + "/" + std::to_string(key.second) + ":" +
                    Hex(bytes) + "]";
    }
    return text;
}

std::string KeyText(const hostsim::Document::EDataKey& key) {
    return "tag " + std::to_string(key.tag) + " key " + std::to_string(key.first) + "/" +
           std::to_string(key.second);
}

// Where two versions of a place differ: record bytes by offset, attached records by key.
std::string Differences(const PlaceState& a, const PlaceState& b) {
    if (a.records.size() != b.records.size()) return "";
    std::string text;
    for (size_t i = 0; i < a.records.size(); ++i) {
        for (size_t at = 0; at < std::min(a.records[i].size(), b.records[i].size()); ++at)
            if (a.records[i][at] != b.records[i][at])
                text += " entry " + std::to_string(i) + " byte " + std::to_string(at) + ": " +
                        Hex({a.records[i][at]}) + "->" + Hex({b.records[i][at]}) + ";";
        if (a.attached[i] != b.attached[i]) text += " entry " + std::to_string(i) + " attached records differ;";
    }
    return text;
}

const PlaceState& StateAt(const DocumentSnapshot& snapshot, const PlaceKey& key) {
    static const PlaceState kNothing;
    auto it = snapshot.places.find(key);
    return it == snapshot.places.end() ? kNothing : it->second;
}

// The record without its entry number, which the host assigns, and without the flags `unflagged`
// of records that may be missing.
hostsim::Record Unnumbered(const hostsim::Record& record, uint32_t unflagged) {
    hostsim::Record copy = record;
    if (copy.size() < ex::kSize) return copy;
    ex::SetEntryNumber(copy.data(), 0);
    ex::SetFlags(copy.data(), ex::Flags(copy.data()) & ~unflagged);
    return copy;
}

bool Subset(const AttachedRecords& part, const AttachedRecords& whole) {
    return std::all_of(part.begin(), part.end(), [&](const auto& item) {
        auto it = whole.find(item.first);
        return it != whole.end() && it->second == item.second;
    });
}

// Articulations whose reads may have failed: every articulation of `part` is one of `whole`'s, by
// its bytes at any index, each used once; the details of `part` are `whole`'s, or a subset of
// them when `detailsMayBeMissing`.
bool ArticulationsWithin(const AttachedRecords& part, const AttachedRecords& whole,
                         bool detailsMayBeMissing) {
    std::multiset<std::vector<unsigned char>> articulations;
    AttachedRecords partDetails, wholeDetails;
    for (const auto& [key, bytes] : whole)
        if (key.first == hostsim::kArticulationTag) articulations.insert(bytes);
        else wholeDetails[key] = bytes;
    for (const auto& [key, bytes] : part) {
        if (key.first != hostsim::kArticulationTag) {
            partDetails[key] = bytes;
            continue;
        }
        auto it = articulations.find(bytes);
        if (it == articulations.end()) return false;
        articulations.erase(it);
    }
    return detailsMayBeMissing ? Subset(partDetails, wholeDetails) : partDetails == wholeDetails;
}

// The records as the host stores them again after a save: every save brings a frame into the
// host's shape first (note ids, placeholder notes), so a measure restored from its old frame may
// differ from a stored record the host never normalised, in those bytes only.
std::vector<hostsim::Record> AsSavedAgain(const std::vector<hostsim::Record>& records) {
    std::vector<unsigned char> array;
    for (const hostsim::Record& record : records) {
        if (record.size() != ex::kSize) return records;
        array.insert(array.end(), record.begin(), record.end());
    }
    unsigned char header[qz::host::tgf::kHeaderSize + 16] = {};
    qz::host::StorePointer(header, qz::host::tgf::kEntries, array.data());
    qz::host::Store<int16_t>(header, qz::host::tgf::kEntryCount, static_cast<int16_t>(records.size()));
    qz::host::FixUpFrame(reinterpret_cast<qz::host::TGF*>(header));
    std::vector<hostsim::Record> saved;
    for (size_t i = 0; i < records.size(); ++i)
        saved.emplace_back(array.begin() + static_cast<std::ptrdiff_t>(i * ex::kSize),
                           array.begin() + static_cast<std::ptrdiff_t>((i + 1) * ex::kSize));
    return saved;
}

bool SameAsBefore(const PlaceState& before, const PlaceState& after, bool mayBeSavedAgain) {
    if (before.attached != after.attached) return false;
    return before.records == after.records ||
           (mayBeSavedAgain && AsSavedAgain(before.records) == after.records);
}

// Records in the shape two saves leave them: a refused save can leave a rewritten frame saved
// once where the fault-free run saved it twice, and each save normalises note ids further (a
// rest's placeholder note gets its id on the second).
std::vector<hostsim::Record> Settled(const std::vector<hostsim::Record>& records) {
    return AsSavedAgain(AsSavedAgain(records));
}

bool SameAsRewritten(const PlaceState& rewritten, const PlaceState& after, const Tolerance& tolerance) {
    if (rewritten.records.size() != after.records.size()) return false;
    const bool anyMissing = tolerance.attachedMayBeMissing;
    const auto expected = anyMissing ? Settled(rewritten.records) : rewritten.records;
    const auto actual = anyMissing ? Settled(after.records) : after.records;
    uint32_t unflagged = 0;
    if (tolerance.articulationsMayBeMissing) unflagged |= ex::ENTRY_HAS_ARTICULATIONS;
    if (anyMissing) unflagged |= ex::ENTRY_HAS_ARTICULATIONS | ex::ENTRY_HAS_DETAILS;
    for (size_t i = 0; i < after.records.size(); ++i) {
        if (Unnumbered(expected[i], unflagged) != Unnumbered(actual[i], unflagged)) return false;
        const AttachedRecords& have = after.attached[i];
        const AttachedRecords& want = rewritten.attached[i];
        const bool attachedOk = tolerance.articulationsMayBeMissing ? ArticulationsWithin(have, want, anyMissing)
                                : anyMissing                        ? Subset(have, want)
                                                                    : have == want;
        if (!attachedOk) return false;
    }
    return true;
}

// Entry numbers of the entries in the places `destination` covers.
std::set<int64_t> DestinationNumbers(const DocumentSnapshot& snapshot, const Destination& destination) {
    std::set<int64_t> numbers;
    for (const auto& [key, state] : snapshot.places)
        if (destination.Covers(std::get<0>(key), std::get<1>(key)))
            for (const hostsim::Record& record : state.records)
                numbers.insert(hostsim::KeyNumber(ex::EntryNumber(record.data())));
    return numbers;
}

std::string CheckOutside(const DocumentSnapshot& before, const DocumentSnapshot& after,
                         const Destination& destination, const char* run,
                         bool leftoverRecordsMayRemain = false) {
    auto changed = [&](const PlaceKey& key) {
        return !destination.Covers(std::get<0>(key), std::get<1>(key)) &&
               !SameAsBefore(StateAt(before, key), StateAt(after, key), false);
    };
    auto placeProblem = [&](const PlaceKey& key) {
        return std::string(run) + ": " + PlaceName(key) +
               " outside the destination changed\n  before: " + Describe(StateAt(before, key)) +
               "\n  after:  " + Describe(StateAt(after, key));
    };
    for (const auto& item : before.places)
        if (changed(item.first)) return placeProblem(item.first);
    for (const auto& item : after.places)
        if (before.places.count(item.first) == 0 && changed(item.first)) return placeProblem(item.first);
    std::set<int64_t> numbers = DestinationNumbers(before, destination);
    const std::set<int64_t> later = DestinationNumbers(after, destination);
    numbers.insert(later.begin(), later.end());
    // Every record but those attached to an entry the destination held or holds, compared by
    // walking both stores in key order.
    auto inside = [&](const hostsim::Document::EDataKey& key) {
        return IsAttachedTag(key.tag) && numbers.count(key.first) > 0;
    };
    auto leftover = [&](const hostsim::Document::EDataKey& key) {
        return leftoverRecordsMayRemain && IsAttachedTag(key.tag) && key.first >= before.numbersFrom &&
               key.first < after.numbersFrom && before.data.count(key) == 0;
    };
    auto was = before.data.begin(), is = after.data.begin();
    const auto wasEnd = before.data.end(), isEnd = after.data.end();
    for (;; ++was, ++is) {
        while (was != wasEnd && inside(was->first)) ++was;
        while (is != isEnd && (inside(is->first) || leftover(is->first))) ++is;
        if (was == wasEnd && is == isEnd) return "";
        if (is == isEnd || (was != wasEnd && was->first < is->first))
            return std::string(run) + ": extended data outside the destination changed: " +
                   KeyText(was->first) + " was " + Hex(was->second) + ", is gone";
        if (was == wasEnd || is->first < was->first)
            return std::string(run) + ": extended data outside the destination added: " +
                   KeyText(is->first) + " = " + Hex(is->second);
        if (was->second != is->second)
            return std::string(run) + ": extended data outside the destination changed: " +
                   KeyText(was->first) + " was " + Hex(was->second) + ", is " + Hex(is->second);
    }
}

}  // namespace

Destination Destination::FromRecords(const unsigned char* destination, const unsigned char* source) {
    Destination d;
    const int sourceStart = Load<int16_t>(source, er::kStartMeasure);
    const int sourceEnd = Load<int16_t>(source, er::kEndMeasure);
    d.length = sourceEnd - sourceStart + 1;
    d.firstSlot = Load<int16_t>(destination, er::kStartSlot);
    d.lastSlot = Load<int16_t>(destination, er::kEndSlot);
    d.firstMeasure = Load<int16_t>(destination, er::kStartMeasure);
    d.lastMeasure = Load<int16_t>(destination, er::kEndMeasure);
    if (d.length < 1 || d.firstSlot > d.lastSlot || d.firstMeasure > d.lastMeasure) return Destination{};
    const int sourceSlot = Load<int16_t>(source, er::kStartSlot);
    d.overlapsSource = sourceSlot >= d.firstSlot && sourceSlot <= d.lastSlot &&
                       sourceStart <= d.lastMeasure && sourceEnd >= d.firstMeasure;
    return d;
}

bool Destination::Covers(int slot, int measure) const {
    if (length < 1 || slot < firstSlot || slot > lastSlot || measure < firstMeasure) return false;
    const int repeats = (lastMeasure - firstMeasure + 1) / length;
    return measure < firstMeasure + repeats * length;
}

DocumentSnapshot Take(const hostsim::Document& doc, int layers) {
    DocumentSnapshot snapshot;
    snapshot.staves = doc.StaffCount();
    snapshot.measures = doc.MeasureCount();
    for (int slot = 1; slot <= doc.StaffCount(); ++slot)
        for (int measure = 1; measure <= doc.MeasureCount(); ++measure)
            for (int layer = 0; layer < layers; ++layer) {
                const auto* stored = doc.FindEntries(doc.SlotToInstrument(slot), measure, layer);
                if (stored == nullptr || stored->empty()) continue;
                PlaceState& state = snapshot.places[{slot, measure, layer}];
                state.records = *stored;
                for (const hostsim::Record& record : *stored)
                    state.attached.push_back(AttachedTo(doc, ex::EntryNumber(record.data())));
            }
    snapshot.data = doc.EData();
    snapshot.numbersFrom = doc.NumbersFrom();
    return snapshot;
}

std::string CheckCreate(const DocumentSnapshot& before, const DocumentSnapshot& rewritten,
                        const DocumentSnapshot& after, const Destination& destination,
                        const Tolerance& tolerance) {
    if (std::string problem = CheckOutside(before, rewritten, destination, "fault-free run");
        !problem.empty())
        return problem;
    if (std::string problem = CheckOutside(before, after, destination, "faulted run",
                                           tolerance.leftoverRecordsMayRemain);
        !problem.empty())
        return problem;
    if (destination.length < 1 || destination.overlapsSource) return "";
    // Only repeats that reach into the document can hold anything; a host record may name a
    // range far larger.
    const int repeats = (destination.lastMeasure - destination.firstMeasure + 1) / destination.length;
    const int firstRepeat = std::max(0, (1 - destination.firstMeasure) / destination.length);
    const int endRepeat =
        std::min(repeats, (before.measures - destination.firstMeasure) / destination.length + 1);
    const int firstSlot = std::max(destination.firstSlot, 1);
    const int lastSlot = std::min(destination.lastSlot, before.staves);
    for (int slot = firstSlot; slot <= lastSlot; ++slot)
        for (int layer = 0; layer < 4; ++layer)
            for (int r = firstRepeat; r < endRepeat; ++r) {
                const int first = destination.firstMeasure + r * destination.length;
                // The repeat told measure by measure, only when it is reported.
                auto report = [&] {
                    std::string text;
                    for (int i = 0; i < destination.length; ++i) {
                        const PlaceKey key{slot, first + i, layer};
                        const PlaceState& was = StateAt(before, key);
                        const PlaceState& is = StateAt(after, key);
                        text += "\n  " + PlaceName(key) + "\n   before:     " + Describe(was) +
                                "\n   fault-free: " + Describe(StateAt(rewritten, key)) +
                                "\n   faulted:    " + Describe(is) +
                                "\n   before -> faulted:" + Differences(was, is) +
                                "\n   fault-free -> faulted:" + Differences(StateAt(rewritten, key), is);
                    }
                    return text;
                };
                int old = 0, rewrittenCount = 0;
                for (int i = 0; i < destination.length; ++i) {
                    const PlaceKey key{slot, first + i, layer};
                    const PlaceState& is = StateAt(after, key);
                    const bool isOld = SameAsBefore(StateAt(before, key), is, true);
                    const bool isNew = SameAsRewritten(StateAt(rewritten, key), is, tolerance);
                    if (!isOld && !isNew)
                        return "measure " + std::to_string(first + i) +
                               " neither as it was nor as the fault-free run rewrote it:" + report();
                    old += isOld;
                    rewrittenCount += isNew;
                }
                if (old < destination.length && rewrittenCount < destination.length &&
                    !tolerance.restoreMayFail)
                    return "repeat half old, half rewritten:" + report();
            }
    return "";
}

std::string CheckUnchanged(const DocumentSnapshot& before, const DocumentSnapshot& after) {
    return CheckOutside(before, after, Destination{}, "untouched document");
}

}  // namespace qz::fuzz
