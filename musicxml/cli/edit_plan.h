// What one apply writes, planned from what the engine reported: the edits to the score's text
// (the engine's new voices read back, and written measure by measure) and the report.
#pragma once

#include <vector>

#include "musicxml/bridge/repeat_observer.h"
#include "musicxml/cli/report.h"
#include "musicxml/read/loaded_score.h"
#include "musicxml/read/selection.h"
#include "musicxml/write/voice_rewrite.h"

namespace qz::musicxml {

struct Planned {
    std::vector<Edit> edits;
    Report report;
};

// A measure the writer cannot write exactly takes every repeat with a voice in it back out
// (whole or untouched), with the writer's reason in the report, and its part is read back again
// without them, so that ties beside them are decided on the old notes.
Planned PlanOutput(const LoadedScore& loaded, const Selection& source,
                   const std::vector<Selection>& destination,
                   const std::vector<EngineRepeat>& repeats);

}  // namespace qz::musicxml
