#include "corpus_interleave.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include <pugixml.hpp>

namespace qz::corpus {
namespace {

// A note with its chord, or a forward of a voice: what sounds (or rests) at one onset.
struct Chunk {
    int64_t onset = 0;  // in the measure's divisions
    int voice = 0;      // rank of the voice's first appearance in the measure
    std::size_t order = 0;
    std::vector<pugi::xml_node> nodes;
};

bool Timed(pugi::xml_node n) {
    const std::string name = n.name();
    return name == "note" || name == "backup" || name == "forward";
}

bool WholeDuration(pugi::xml_node n, int64_t* value) {
    const char* text = n.child_value("duration");
    char* end = nullptr;
    *value = std::strtoll(text, &end, 10);
    return end != text && *end == '\0' && *value >= 0;
}

// The measure's timed children as chunks, and the cursor they leave. False when the measure
// holds something else between them or a value this copy does not handle.
bool ReadChunks(pugi::xml_node measure, std::vector<Chunk>* chunks, int64_t* end,
                std::vector<pugi::xml_node>* moves) {
    std::vector<std::string> voices;
    int64_t cursor = 0;
    bool inside = false, afterNote = false;
    pugi::xml_node last;
    for (pugi::xml_node n = measure.first_child(); n; n = n.next_sibling()) {
        if (n.type() != pugi::node_element) continue;
        if (!Timed(n)) {
            if (inside) last = n;  // something between timed children: checked below
            continue;
        }
        if (last) return false;
        inside = true;
        int64_t length = 0;
        const std::string name = n.name();
        const bool grace = static_cast<bool>(n.child("grace"));
        if (!grace && !WholeDuration(n, &length)) return false;
        if (name == "backup" || (name == "forward" && !n.child("voice"))) {
            cursor += name == "backup" ? -length : length;
            moves->push_back(n);
            afterNote = false;
            continue;
        }
        if (name == "note" && n.child("chord")) {
            if (!afterNote) return false;
            chunks->back().nodes.push_back(n);
            continue;
        }
        const std::string voice = n.child_value("voice");
        auto it = std::find(voices.begin(), voices.end(), voice);
        if (it == voices.end()) it = voices.insert(voices.end(), voice);
        chunks->push_back({cursor, static_cast<int>(it - voices.begin()), chunks->size(), {n}});
        cursor += length;
        afterNote = name == "note";
    }
    *end = cursor;
    return voices.size() >= 2;
}

pugi::xml_node AddMove(pugi::xml_node measure, pugi::xml_node after, int64_t by) {
    pugi::xml_node move = after ? measure.insert_child_after(by < 0 ? "backup" : "forward", after)
                                : measure.prepend_child(by < 0 ? "backup" : "forward");
    move.append_child("duration").text().set(static_cast<long long>(by < 0 ? -by : by));
    return move;
}

// Rewrites one measure in onset order; false when it is left as it was.
bool Interleave(pugi::xml_node measure) {
    std::vector<Chunk> chunks;
    std::vector<pugi::xml_node> moves;
    int64_t end = 0;
    if (!ReadChunks(measure, &chunks, &end, &moves)) return false;
    // The new order starts where the first timed child stood.
    pugi::xml_node first = chunks.front().nodes.front();
    if (!moves.empty() && moves.front().offset_debug() < first.offset_debug()) first = moves.front();
    pugi::xml_node after = first.previous_sibling();
    while (after && after.type() != pugi::node_element) after = after.previous_sibling();
    std::stable_sort(chunks.begin(), chunks.end(), [](const Chunk& a, const Chunk& b) {
        return a.onset != b.onset ? a.onset < b.onset : a.voice != b.voice ? a.voice < b.voice : a.order < b.order;
    });
    bool reordered = false;
    for (std::size_t i = 0; i < chunks.size(); ++i) reordered = reordered || chunks[i].order != i;
    if (!reordered) return false;
    for (pugi::xml_node move : moves) measure.remove_child(move);
    int64_t cursor = 0;
    for (const Chunk& chunk : chunks) {
        if (chunk.onset != cursor) after = AddMove(measure, after, chunk.onset - cursor);
        for (pugi::xml_node n : chunk.nodes) {
            after = after ? measure.insert_move_after(n, after) : measure.prepend_move(n);
        }
        int64_t length = 0;
        if (!chunk.nodes.front().child("grace")) WholeDuration(chunk.nodes.front(), &length);
        cursor = chunk.onset + length;
    }
    if (cursor != end) AddMove(measure, after, end - cursor);
    return true;
}

}  // namespace

bool InterleaveVoices(const std::string& utf8, std::string* out) {
    pugi::xml_document doc;
    if (!doc.load_buffer(utf8.data(), utf8.size(), pugi::parse_full, pugi::encoding_utf8)) return false;
    pugi::xml_node root = doc.child("score-partwise");
    bool any = false;
    for (pugi::xml_node part : root.children("part"))
        for (pugi::xml_node measure : part.children("measure")) any = Interleave(measure) || any;
    if (!any) return false;
    std::ostringstream text;
    doc.save(text, "  ", pugi::format_default, pugi::encoding_utf8);
    *out = text.str();
    return true;
}

}  // namespace qz::corpus
