// Splicing new text into the original bytes: every byte outside the edited ranges is kept.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "musicxml/voice_rewrite.h"

namespace qz::musicxml {

// Applies `edits` to `text`. The edits may come in any order; they are applied in order of
// `begin` (edits with equal ranges keep their given order, so several insertions at one offset
// appear as listed). False, with `out` untouched and a message in `error`, when an edit ends
// before it begins, reaches past the text, or overlaps another edit.
bool ApplyEdits(std::string_view text, std::vector<Edit> edits, std::string* out,
                std::string* error);

}  // namespace qz::musicxml
