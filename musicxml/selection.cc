#include "musicxml/selection.h"

#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

// Beyond any score; numbers past it are not read as numbers at all.
constexpr int64_t kLimit = int64_t{1} << 40;

// Staves first..last (slots), or why the text names none.
struct StaffRange {
    int64_t first = 0;
    int64_t last = 0;
    std::string error;
};

StaffRange Problem(std::string error) { return {0, 0, std::move(error)}; }

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

std::string StaffNumberProblem(int64_t n, const Score& score) {
    const auto slots = static_cast<int64_t>(score.slots.size());
    if (n < 1) return "staves count from 1, not " + std::to_string(n);
    if (n > slots)
        return "staff " + std::to_string(n) + " is past the last staff (" + std::to_string(slots) +
               ")";
    return "";
}

// A staff given by number, part id or PARTID/N.
StaffRange ResolveStaff(const std::string& text, const Score& score) {
    int64_t number = 0;
    if (IsNumber(text, &number)) return {number, number, StaffNumberProblem(number, score)};
    const std::size_t slash = text.rfind('/');
    const std::string id = text.substr(0, slash);
    const ModelPart* part = nullptr;
    for (const ModelPart& candidate : score.parts)
        if (candidate.id == id) part = &candidate;
    if (part == nullptr)
        return Problem(slash == std::string::npos
                           ? "no staff or part '" + text + "' in the score (see motifgraft show)"
                           : "no part '" + id + "' in the score (see motifgraft show)");
    int64_t staff = 1;
    if (slash != std::string::npos && !ParseInt(text.c_str() + slash + 1, 1, kLimit, &staff))
        return Problem("'" + text + "': the staff after the / is a number from 1");
    if (staff > part->staves)
        return Problem("part " + id + " has " + Count(part->staves, "staff", "staves") +
                       ", no staff " + std::to_string(staff));
    const int64_t slot = part->firstSlot + staff - 1;
    return {slot, slot, ""};
}

// One item of a list: a STAFF or a range A-B of staff numbers.
StaffRange ResolveItem(const std::string& text, const Score& score) {
    StaffRange single = ResolveStaff(text, score);
    int64_t first = 0, last = 0;
    if (single.error.empty() || !IsNumberRange(text, &first, &last)) return single;
    if (first < 1 || last < 1) return Problem("staves count from 1, not '" + text + "'");
    if (last < first)
        return Problem("staves " + text + " are reversed: write " + std::to_string(last) + "-" +
                       std::to_string(first));
    const std::string past = StaffNumberProblem(last, score);
    if (!past.empty()) return Problem(past);
    return {first, last, ""};
}

// The chosen slots (index 0 unused), or a message.
std::string ParseStaves(const std::string& text, const Score& score, std::vector<bool>* chosen) {
    chosen->assign(score.slots.size() + 1, false);
    if (text == "all") {
        chosen->assign(score.slots.size() + 1, true);
        (*chosen)[0] = false;
        return "";
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        const std::string item = text.substr(start, comma == std::string::npos ? comma : comma - start);
        if (item.empty()) return "the list of staves '" + text + "' has an empty item";
        const StaffRange range = ResolveItem(item, score);
        if (!range.error.empty()) return range.error;
        for (int64_t slot = range.first; slot <= range.last; ++slot) {
            if ((*chosen)[static_cast<std::size_t>(slot)])
                return "staff " + std::to_string(slot) + " is listed twice in '" + text + "'";
            (*chosen)[static_cast<std::size_t>(slot)] = true;
        }
        if (comma == std::string::npos) return "";
        start = comma + 1;
    }
}

std::string ParseMeasures(const std::string& text, const Score& score, int* first, int* last) {
    int64_t a = 0, b = 0;
    if (IsNumber(text, &a)) b = a;
    else if (!IsNumberRange(text, &a, &b))
        return "measures are FIRST-LAST counted from 1, not '" + text + "'";
    if (a < 1 || b < 1) return "measures count from 1, not '" + text + "'";
    if (b < a)
        return "measures " + text + " are reversed: write " + std::to_string(b) + "-" +
               std::to_string(a);
    if (b > score.measureCount)
        return "measure " + std::to_string(b) + " is past the last measure (" +
               std::to_string(score.measureCount) + ")";
    *first = static_cast<int>(a);
    *last = static_cast<int>(b);
    return "";
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

ParsedSelection ParseSelection(const std::string& text, const Score& score, SelectionRole role) {
    const bool source = role == SelectionRole::kSource;
    ParsedSelection parsed;
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        parsed.error = std::string("a selection is ") + (source ? "STAFF" : "STAVES") +
                       ":FIRST-LAST, not '" + text + "'";
        return parsed;
    }
    const std::string staves = text.substr(0, colon);
    std::vector<bool> chosen;
    int firstMeasure = 0, lastMeasure = 0;
    parsed.error = ParseStaves(staves, score, &chosen);
    if (parsed.error.empty())
        parsed.error = ParseMeasures(text.substr(colon + 1), score, &firstMeasure, &lastMeasure);
    if (!parsed.error.empty()) return parsed;
    parsed.regions = Regions(chosen, firstMeasure, lastMeasure);
    if (parsed.regions.empty()) {
        parsed.error = "the score has no staff";
    } else if (source && (parsed.regions.size() > 1 || parsed.regions[0].lastSlot >
                                                           parsed.regions[0].firstSlot)) {
        parsed.error = "the source is one staff, not '" + staves + "'";
        parsed.regions.clear();
    }
    return parsed;
}

}  // namespace qz::musicxml
