#include "memhost/document.h"

#include <algorithm>
#include <limits>

#include "host/bytes.h"
#include "host/exentry.h"
#include "memhost/edata_key_layout.h"
#include "memhost/entry_record.h"

namespace qz::memhost {

namespace {

constexpr int64_t kLowestIndex = std::numeric_limits<int64_t>::min();

}  // namespace

int Document::AddStaff(int16_t instrument) {
    staves_.push_back(instrument);
    return StaffCount();
}

int Document::SlotToInstrument(int slot) const {
    if (slot < 1 || slot > StaffCount()) return 0;
    return staves_[static_cast<std::size_t>(slot - 1)];
}

int Document::InstrumentToSlot(int instrument) const {
    if (instrument == 0) return 0;
    for (int i = 0; i < StaffCount(); ++i)
        if (staves_[static_cast<std::size_t>(i)] == instrument) return i + 1;
    return 0;
}

void Document::SetMeasureCount(int count) {
    meters_.resize(static_cast<std::size_t>(std::max(count, 0)));
}

void Document::SetTimeSignature(int measure, TimeSignature meter) {
    if (measure < 1 || measure > MeasureCount()) return;
    meters_[static_cast<std::size_t>(measure - 1)] = meter;
}

TimeSignature Document::TimeSignatureOf(int measure) const {
    if (measure < 1 || measure > MeasureCount()) return TimeSignature{};
    return meters_[static_cast<std::size_t>(measure - 1)];
}

void Document::SetMeasureDuration(int instrument, int measure, int32_t duration) {
    if (duration <= 0)
        measureDurations_.erase({instrument, measure});
    else
        measureDurations_[{instrument, measure}] = duration;
}

int32_t Document::MeasureDurationOverride(int instrument, int measure) const {
    auto it = measureDurations_.find({instrument, measure});
    return it == measureDurations_.end() ? 0 : it->second;
}

std::vector<Record>& Document::Entries(int instrument, int measure, int layer) {
    return entries_[{instrument, measure, layer}];
}

const std::vector<Record>* Document::FindEntries(int instrument, int measure, int layer) const {
    auto it = entries_.find({instrument, measure, layer});
    return it == entries_.end() ? nullptr : &it->second;
}

uint32_t Document::AddEntry(int instrument, int measure, int layer, const EntrySpec& entry) {
    uint32_t number = NextEntryNumber();
    Entries(instrument, measure, layer).push_back(BuildEntryRecord(number, entry));
    for (std::size_t i = 0; i < entry.articulations.size(); ++i) {
        std::vector<unsigned char> record(kArticulationSize, 0);
        qz::host::Store<int16_t>(record.data(), 0, static_cast<int16_t>(entry.articulations[i]));
        edata_[{kArticulationTag, KeyNumber(number), static_cast<int64_t>(i)}] = record;
    }
    for (int k = 0; k < entry.details; ++k)
        edata_[{kDetailTag, KeyNumber(number), k}] = DetailPayload(number, k);
    return number;
}

void Document::ClearEntries(int instrument, int measure, int layer) {
    std::vector<Record>& place = Entries(instrument, measure, layer);
    for (const Record& old : place)
        if (old.size() >= qz::host::exentry::kSize && qz::host::exentry::EntryNumber(old.data()) != 0)
            EraseAttachedData(qz::host::exentry::EntryNumber(old.data()));
    place.clear();
}

std::vector<int> Document::ArticulationsOf(uint32_t entryNumber) const {
    std::vector<int> definitions;
    for (int64_t index = 0; index <= std::numeric_limits<int16_t>::max(); ++index) {
        auto it = edata_.find({kArticulationTag, KeyNumber(entryNumber), index});
        if (it == edata_.end()) break;
        const std::vector<unsigned char>& bytes = it->second;
        definitions.push_back(bytes.size() >= 2 ? qz::host::Load<int16_t>(bytes.data(), 0) : 0);
    }
    return definitions;
}

int Document::DetailCountOf(uint32_t entryNumber) const {
    int count = 0;
    for (auto it = edata_.lower_bound({kDetailTag, KeyNumber(entryNumber), kLowestIndex});
         it != edata_.end() && it->first.tag == kDetailTag &&
         it->first.first == KeyNumber(entryNumber);
         ++it)
        ++count;
    return count;
}

uint32_t Document::NextEntryNumber() {
    while (KeysRecords(nextEntryNumber_)) ++nextEntryNumber_;
    return nextEntryNumber_++;
}

// Whether any tag keyed by entry number holds a record under `entryNumber`: one look-up per tag.
bool Document::KeysRecords(uint32_t entryNumber) const {
    const int64_t first = KeyNumber(entryNumber);
    for (auto tagStart = edata_.begin(); tagStart != edata_.end();) {
        const uint32_t tag = tagStart->first.tag;
        if (!edata_key::UsesWordPair(tag)) {
            auto it = edata_.lower_bound({tag, first, kLowestIndex});
            if (it != edata_.end() && it->first.tag == tag && it->first.first == first) return true;
        }
        if (tag == std::numeric_limits<uint32_t>::max()) break;
        tagStart = edata_.lower_bound({tag + 1, std::numeric_limits<int64_t>::min(), kLowestIndex});
    }
    return false;
}

void Document::EraseAttachedData(uint32_t entryNumber) {
    for (uint32_t tag : {kArticulationTag, kDetailTag}) {
        auto from = edata_.lower_bound({tag, KeyNumber(entryNumber), kLowestIndex});
        auto to = from;
        while (to != edata_.end() && to->first.tag == tag &&
               to->first.first == KeyNumber(entryNumber))
            ++to;
        edata_.erase(from, to);
    }
}

}  // namespace qz::memhost
