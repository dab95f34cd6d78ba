#include "musicxml/cli/edit_plan.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <set>
#include <string_view>

#include "musicxml/bridge/readback.h"
#include "musicxml/write/splice.h"

namespace qz::musicxml {
namespace {

// The rewritten voices and their edits, and the rows the writer could not write.
struct Rewrite {
    ReadBackResult readBack;
    std::vector<Edit> edits;
    std::map<std::size_t, std::string> unwritable;  // plan row -> why
};

// Removes the tie and slur ends whose other end went with the replaced notes. An end that
// cannot be located, or whose bytes another edit already takes, stays as it was.
void AddOrphanRemovals(std::string_view text, const std::vector<pugi::xml_node>& ends,
                       std::vector<Edit>* edits) {
    // A <notations> left with nothing goes whole.
    std::vector<pugi::xml_node> removed;
    for (pugi::xml_node end : ends) {
        const pugi::xml_node parent = end.parent();
        bool emptied = std::string_view(parent.name()) == "notations";
        for (pugi::xml_node child : parent.children())
            emptied = emptied && (child.type() != pugi::node_element ||
                                  std::find(ends.begin(), ends.end(), child) != ends.end());
        const pugi::xml_node target = emptied ? parent : end;
        if (std::find(removed.begin(), removed.end(), target) == removed.end())
            removed.push_back(target);
    }
    for (pugi::xml_node end : removed) {
        Edit removal;
        if (!RemovalEdit(text, end, &removal)) continue;
        const bool clashes = std::any_of(edits->begin(), edits->end(), [&](const Edit& e) {
            const bool insertion = e.begin == e.end;
            return insertion ? removal.begin <= e.begin && e.begin <= removal.end
                             : removal.begin < e.end && e.begin < removal.end;
        });
        if (!clashes) edits->push_back(removal);
    }
}

// Writes the voices read back, measure by measure, into `edits`. A measure the writer cannot
// write exactly takes every row with a voice in it out of `rows` with the writer's reason;
// false then. Each voice is handed over to the writer, not copied, so that its memory serves
// the edits as they are made.
bool WriteVoices(std::string_view text, ReadBackResult* rb, std::vector<Edit>* edits,
                 std::vector<std::size_t>* rows, std::map<std::size_t, std::string>* unwritable) {
    std::map<const void*, std::vector<std::size_t>> byMeasure;  // measure -> voice indexes
    std::vector<const void*> order;
    for (std::size_t v = 0; v < rb->voices.size(); ++v) {
        const void* key = rb->voices[v].measure.internal_object();
        if (!byMeasure.count(key)) order.push_back(key);
        byMeasure[key].push_back(v);
    }
    std::set<std::size_t> failed;
    for (const void* key : order) {
        std::vector<VoiceRewrite> voices;
        for (std::size_t v : byMeasure[key]) voices.push_back(std::move(rb->voices[v]));
        Result<std::vector<Edit>> written = RewriteMeasure(text, voices);
        if (written.ok()) {
            std::move(written->begin(), written->end(), std::back_inserter(*edits));
            continue;
        }
        const std::string why =
            "measure " + std::string(voices.front().measure.attribute("number").value()) +
            " cannot be written exactly: " + written.status().message();
        for (std::size_t v : byMeasure[key]) {
            failed.insert(rb->voiceRows[v]);
            (*unwritable)[rb->voiceRows[v]] = why;
        }
    }
    rb->voices.clear();
    std::erase_if(*rows, [&](std::size_t row) { return failed.count(row) != 0; });
    return failed.empty();
}

// One part's rows read back and written, the part read back again without the rows of a
// measure the writer could not write (so that ties beside them are decided on the old notes).
void PlanPart(const LoadedScore& loaded, const Selection& source,
              const std::vector<EngineRepeat>& plan, std::vector<std::size_t> rows,
              Rewrite* rewrite) {
    for (std::size_t attempt = 0, rowCount = rows.size(); attempt <= rowCount; ++attempt) {
        ReadBackResult rb = ReadBack(loaded.model, source, plan, rows);
        std::vector<Edit> edits;
        if (!WriteVoices(loaded.parsed.text, &rb, &edits, &rows, &rewrite->unwritable)) continue;
        ReadBackResult& all = rewrite->readBack;
        for (std::size_t r : rows) all.rewritten[r] = all.rewritten[r] || rb.rewritten[r];
        all.tiesDropped += rb.tiesDropped;
        all.lyricsMoved += rb.lyricsMoved;
        all.lyricsDropped += rb.lyricsDropped;
        all.orphanEnds.insert(all.orphanEnds.end(), rb.orphanEnds.begin(), rb.orphanEnds.end());
        std::move(edits.begin(), edits.end(), std::back_inserter(rewrite->edits));
        return;
    }
}

// Parts are read back and written one at a time: nothing joins the music of two parts (ties
// and slurs stay within a staff's voice, the writer within a measure), and one part's new
// voices are then all that is held at once besides the edits.
Rewrite PlanEdits(const LoadedScore& loaded, const Selection& source,
                  const std::vector<EngineRepeat>& plan) {
    const Score& score = loaded.model;
    std::map<int, std::vector<std::size_t>> rowsByPart;
    for (std::size_t r = 0; r < plan.size(); ++r) {
        const int slot = plan[r].slot;
        const bool known = slot >= 1 && static_cast<std::size_t>(slot) <= score.slots.size();
        rowsByPart[known ? score.slots[static_cast<std::size_t>(slot - 1)].part : -1].push_back(r);
    }
    Rewrite rewrite;
    rewrite.readBack.rewritten.assign(plan.size(), false);
    for (auto& [part, rows] : rowsByPart) PlanPart(loaded, source, plan, std::move(rows), &rewrite);
    AddOrphanRemovals(loaded.parsed.text, rewrite.readBack.orphanEnds, &rewrite.edits);
    return rewrite;
}

}  // namespace

Planned PlanOutput(const LoadedScore& loaded, const Selection& source,
                   const std::vector<Selection>& destination,
                   const std::vector<EngineRepeat>& repeats) {
    Rewrite rewrite = PlanEdits(loaded, source, repeats);
    Report report =
        BuildReport(loaded.model, destination, repeats, rewrite.readBack, rewrite.unwritable);
    return {std::move(rewrite.edits), std::move(report)};
}

}  // namespace qz::musicxml
