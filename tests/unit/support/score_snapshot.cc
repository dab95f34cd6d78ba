#include "support/score_snapshot.h"

#include <cstdio>

#include "host/exentry.h"

namespace qz::testing {
namespace {

namespace ex = host::exentry;

std::string Hex(const std::vector<unsigned char>& bytes) {
    std::string text;
    char digits[4];
    for (unsigned char b : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", b);
        text += digits;
    }
    return text;
}

// The attached records of every entry number, in key order.
std::map<int64_t, std::vector<std::string>> AttachedByNumber(const hostsim::Document& document) {
    std::map<int64_t, std::vector<std::string>> attached;
    for (const auto& [key, bytes] : document.EData()) {
        if (key.tag != hostsim::kArticulationTag && key.tag != hostsim::kDetailTag) continue;
        attached[key.first].push_back(std::to_string(key.tag) + "/" + std::to_string(key.second) +
                                      ": " + Hex(bytes));
    }
    return attached;
}

}  // namespace

ScoreSnapshot TakeSnapshot(const hostsim::Document& document, const std::vector<int>& instruments,
                           int measures) {
    const auto attached = AttachedByNumber(document);
    ScoreSnapshot snapshot;
    for (int instrument : instruments)
        for (int m = 1; m <= measures; ++m)
            for (int layer = 0; layer < 4; ++layer) {
                MeasureSnapshot& measure = snapshot[{instrument, m, layer}];
                const std::vector<hostsim::Record>* stored = document.FindEntries(instrument, m, layer);
                if (stored == nullptr) continue;
                for (const hostsim::Record& record : *stored) {
                    EntrySnapshot entry{record, {}};
                    const int64_t number = ex::EntryNumber(record.data());
                    ex::SetEntryNumber(entry.record.data(), 0);
                    if (auto it = attached.find(number); it != attached.end()) entry.attached = it->second;
                    measure.push_back(std::move(entry));
                }
            }
    return snapshot;
}

std::string Describe(const MeasureSnapshot& measure) {
    std::string text = std::to_string(measure.size()) + " entries:";
    for (const EntrySnapshot& entry : measure) {
        text += " [pos " + std::to_string(ex::Position(entry.record.data())) + ", flags " +
                std::to_string(ex::Flags(entry.record.data())) + ", " +
                std::to_string(entry.attached.size()) + " attached]";
    }
    return text;
}

}  // namespace qz::testing
