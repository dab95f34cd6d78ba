#include "musicxml/selection.h"

#include "musicxml/xml_values.h"

namespace qz::musicxml {
namespace {

constexpr int kLimit = 1 << 20;

// A staff given by number, part id or PARTID/N; 0 when it names none.
int ResolveStaff(const std::string& text, const Score& score) {
    int64_t number = 0;
    const int slots = static_cast<int>(score.slots.size());
    if (ParseInt(text.c_str(), 1, kLimit, &number)) return number <= slots ? static_cast<int>(number) : 0;
    std::string id = text;
    int64_t staff = 1;
    std::size_t slash = text.rfind('/');
    if (slash != std::string::npos) {
        id = text.substr(0, slash);
        if (!ParseInt(text.substr(slash + 1).c_str(), 1, kLimit, &staff)) return 0;
    }
    for (const ModelPart& part : score.parts)
        if (part.id == id) return staff <= part.staves ? part.firstSlot + static_cast<int>(staff) - 1 : 0;
    return 0;
}

bool ParseMeasures(const std::string& text, const Score& score, Selection* out, std::string* error) {
    std::size_t dash = text.find('-');
    int64_t first = 0, last = 0;
    bool ok = dash == std::string::npos
                  ? ParseInt(text.c_str(), 1, kLimit, &first) && (last = first, true)
                  : ParseInt(text.substr(0, dash).c_str(), 1, kLimit, &first) &&
                        ParseInt(text.substr(dash + 1).c_str(), 1, kLimit, &last);
    if (!ok || last < first) {
        *error = "measures must be FIRST-LAST with 1 <= FIRST <= LAST, not '" + text + "'";
        return false;
    }
    if (last > score.measureCount) {
        *error = "measure " + std::to_string(last) + " is outside the score (" +
                 std::to_string(score.measureCount) + " measures)";
        return false;
    }
    out->firstMeasure = static_cast<int>(first);
    out->lastMeasure = static_cast<int>(last);
    return true;
}

bool Split(const std::string& text, std::string* staves, std::string* measures, std::string* error) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        *error = "a selection is STAFF:FIRST-LAST, not '" + text + "'";
        return false;
    }
    *staves = text.substr(0, colon);
    *measures = text.substr(colon + 1);
    return true;
}

}  // namespace

bool ParseSourceSelection(const std::string& text, const Score& score, Selection* out,
                          std::string* error) {
    std::string staff, measures;
    if (!Split(text, &staff, &measures, error)) return false;
    int slot = ResolveStaff(staff, score);
    if (slot == 0) {
        *error = "no staff '" + staff + "' in the score (see motifgraft show)";
        return false;
    }
    out->firstSlot = out->lastSlot = slot;
    return ParseMeasures(measures, score, out, error);
}

bool ParseDestinationSelection(const std::string& text, const Score& score, Selection* out,
                               std::string* error) {
    std::string staves, measures;
    if (!Split(text, &staves, &measures, error)) return false;
    if (staves == "all") {
        out->firstSlot = 1;
        out->lastSlot = static_cast<int>(score.slots.size());
    } else if (int slot = ResolveStaff(staves, score)) {
        out->firstSlot = out->lastSlot = slot;
    } else {
        std::size_t dash = staves.find('-');
        int64_t a = 0, b = 0;
        const int64_t slots = static_cast<int64_t>(score.slots.size());
        if (dash == std::string::npos || !ParseInt(staves.substr(0, dash).c_str(), 1, kLimit, &a) ||
            !ParseInt(staves.substr(dash + 1).c_str(), 1, kLimit, &b) || b < a || b > slots) {
            *error = "no staves '" + staves + "' in the score (see motifgraft show)";
            return false;
        }
        out->firstSlot = static_cast<int>(a);
        out->lastSlot = static_cast<int>(b);
    }
    return ParseMeasures(measures, score, out, error);
}

}  // namespace qz::musicxml
