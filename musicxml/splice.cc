#include "musicxml/splice.h"

#include <algorithm>

namespace qz::musicxml {

bool ApplyEdits(std::string_view text, std::vector<Edit> edits, std::string* out,
                std::string* error) {
    std::stable_sort(edits.begin(), edits.end(),
                     [](const Edit& a, const Edit& b) { return a.begin < b.begin; });
    size_t kept = 0;  // the end of the text already accounted for
    size_t grown = text.size();
    for (const Edit& edit : edits) {
        if (edit.begin > edit.end || edit.end > text.size()) {
            *error = "edit [" + std::to_string(edit.begin) + ", " + std::to_string(edit.end) +
                     ") lies outside the text of " + std::to_string(text.size()) + " bytes";
            return false;
        }
        if (edit.begin < kept) {
            *error = "edit at byte " + std::to_string(edit.begin) +
                     " overlaps the edit ending at byte " + std::to_string(kept);
            return false;
        }
        kept = edit.end;
        grown += edit.text.size();
    }
    std::string result;
    result.reserve(grown);
    size_t pos = 0;
    for (const Edit& edit : edits) {
        result.append(text.substr(pos, edit.begin - pos));
        result.append(edit.text);
        pos = edit.end;
    }
    result.append(text.substr(pos));
    *out = std::move(result);
    return true;
}

}  // namespace qz::musicxml
