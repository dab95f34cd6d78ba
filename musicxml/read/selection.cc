#include "musicxml/read/selection.h"

#include <utility>

#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

// Beyond any score; numbers past it are not read as numbers at all.
constexpr int64_t kLimit = int64_t{1} << 40;

// Staves first..last (slots).
struct StaffRange {
    int64_t first = 0;
    int64_t last = 0;
};

bool IsNumber(const std::string& text, int64_t* value) {
    return ParseInt(text.c_str(), -kLimit, kLimit, value);
}

// Splits "A-B" into two whole numbers ("-1" is one number, not a range).
bool IsNumberRange(const std::string& text, int64_t* first, int64_t* last) {
    const std::size_t dash = text.find('-', 1);
    return dash != std::string::npos && IsNumber(text.substr(0, dash), first) &&
           IsNumber(text.substr(dash + 1), last);
}

std::string Count(int64_t n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

Status CheckStaffNumber(int64_t n, const Score& score) {
    const auto slots = static_cast<int64_t>(score.slots.size());
    if (n < 1) return Status::Error("staves count from 1, not " + std::to_string(n));
    if (n > slots)
        return Status::Error("staff " + std::to_string(n) + " is past the last staff (" +
                             std::to_string(slots) + ")");
    return Status();
}

// A staff given by number, part id or PARTID/N.
Result<StaffRange> ResolveStaff(const std::string& text, const Score& score) {
    int64_t number = 0;
    if (IsNumber(text, &number)) {
        if (Status s = CheckStaffNumber(number, score); !s.ok()) return s;
        return StaffRange{number, number};
    }
    const std::size_t slash = text.rfind('/');
    const std::string id = text.substr(0, slash);
    const ModelPart* part = nullptr;
    for (const ModelPart& candidate : score.parts)
        if (candidate.id == id) part = &candidate;
    if (part == nullptr)
        return Status::Error(
            (slash == std::string::npos ? "no staff or part '" + text : "no part '" + id) +
            "' in the score (see motifgraft show)");
    int64_t staff = 1;
    if (slash != std::string::npos && !ParseInt(text.c_str() + slash + 1, 1, kLimit, &staff))
        return Status::Error("'" + text + "': the staff after the / is a number from 1");
    if (staff > part->staves)
        return Status::Error("part " + id + " has " + Count(part->staves, "staff", "staves") +
                             ", no staff " + std::to_string(staff));
    const int64_t slot = part->firstSlot + staff - 1;
    return StaffRange{slot, slot};
}

// One item of a list: a STAFF or a range A-B of staff numbers.
Result<StaffRange> ResolveItem(const std::string& text, const Score& score) {
    Result<StaffRange> single = ResolveStaff(text, score);
    int64_t first = 0, last = 0;
    if (single.ok() || !IsNumberRange(text, &first, &last)) return single;
    if (first < 1 || last < 1) return Status::Error("staves count from 1, not '" + text + "'");
    if (last < first)
        return Status::Error("staves " + text + " are reversed: write " + std::to_string(last) +
                             "-" + std::to_string(first));
    if (Status s = CheckStaffNumber(last, score); !s.ok()) return s;
    return StaffRange{first, last};
}

// The chosen slots (index 0 unused).
Result<std::vector<bool>> ParseStaves(const std::string& text, const Score& score) {
    std::vector<bool> chosen(score.slots.size() + 1, text == "all");
    chosen[0] = false;
    if (text == "all") return chosen;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (item.empty())
            return Status::Error("the list of staves '" + text + "' has an empty item");
        const Result<StaffRange> range = ResolveItem(item, score);
        if (!range.ok()) return range.status();
        for (int64_t slot = range->first; slot <= range->last; ++slot) {
            if (chosen[static_cast<std::size_t>(slot)])
                return Status::Error("staff " + std::to_string(slot) + " is listed twice in '" +
                                     text + "'");
            chosen[static_cast<std::size_t>(slot)] = true;
        }
        if (comma == std::string::npos) return chosen;
        start = comma + 1;
    }
}

// Measures first..last.
Result<std::pair<int, int>> ParseMeasures(const std::string& text, const Score& score) {
    int64_t a = 0, b = 0;
    if (IsNumber(text, &a)) b = a;
    else if (!IsNumberRange(text, &a, &b))
        return Status::Error("measures are FIRST-LAST counted from 1, not '" + text + "'");
    if (a < 1 || b < 1) return Status::Error("measures count from 1, not '" + text + "'");
    if (b < a)
        return Status::Error("measures " + text + " are reversed: write " + std::to_string(b) +
                             "-" + std::to_string(a));
    if (b > score.measureCount)
        return Status::Error("measure " + std::to_string(b) + " is past the last measure (" +
                             std::to_string(score.measureCount) + ")");
    return std::pair<int, int>(static_cast<int>(a), static_cast<int>(b));
}

// One region per run of adjacent chosen slots.
std::vector<Selection> Regions(const std::vector<bool>& chosen, int firstMeasure, int lastMeasure) {
    std::vector<Selection> regions;
    for (std::size_t slot = 1; slot < chosen.size(); ++slot) {
        if (!chosen[slot]) continue;
        if (regions.empty() || regions.back().lastSlot + 1 != static_cast<int>(slot))
            regions.push_back({static_cast<int>(slot), 0, firstMeasure, lastMeasure});
        regions.back().lastSlot = static_cast<int>(slot);
    }
    return regions;
}

}  // namespace

Result<std::vector<Selection>> ParseSelection(const std::string& text, const Score& score,
                                              SelectionRole role) {
    const bool source = role == SelectionRole::kSource;
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return Status::Error(std::string("a selection is ") + (source ? "STAFF" : "STAVES") +
                             ":FIRST-LAST, not '" + text + "'");
    const std::string staves = text.substr(0, colon);
    const Result<std::vector<bool>> chosen = ParseStaves(staves, score);
    if (!chosen.ok()) return chosen.status();
    const Result<std::pair<int, int>> measures = ParseMeasures(text.substr(colon + 1), score);
    if (!measures.ok()) return measures.status();
    std::vector<Selection> regions = Regions(*chosen, measures->first, measures->second);
    if (regions.empty()) return Status::Error("the score has no staff");
    if (source && (regions.size() > 1 || regions[0].lastSlot > regions[0].firstSlot))
        return Status::Error("the source is one staff, not '" + staves + "'");
    return regions;
}

}  // namespace qz::musicxml
