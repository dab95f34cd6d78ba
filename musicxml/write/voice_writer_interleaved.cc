// Rewriting voices that the file interleaves with other voices: the other voices stay where the
// file has them, byte for byte, and only the backups and forwards between them change.
#include <algorithm>
#include <optional>

#include "musicxml/write/divisions.h"
#include "musicxml/write/voice_writer.h"

namespace qz::musicxml::writer {
namespace {


class Planner {
public:
    Planner(std::string_view text, const MeasureTimeline& scan,
            const std::vector<VoiceId>& rewritten,
            int64_t divisions, pugi::xml_node measure, InterleavedPlan* plan)
        : text_(text), scan_(scan), rewritten_(rewritten), divisions_(divisions), measure_(measure),
          plan_(plan) {}

    Status Run(size_t first, size_t last) {
        Fraction cursor = scan_.items[first].onset;
        size_t gapBegin = first;
        for (size_t i = first; i <= last; ++i) {
            const MeasureItem& item = scan_.items[i];
            if (Own(item) || Move(item)) continue;
            if (item.kind == ItemKind::kNote && item.node.child("chord")) {
                // A chord's later notes sound with its first: nothing may come between them.
                if (gapBegin != i)
                    return Status::Error("a chord of voice " + item.voice + " is split");
            } else if (Status s = Gap(gapBegin, i, cursor, item.onset); !s.ok()) {
                return s;
            }
            cursor = item.cursorAfter;
            gapBegin = i + 1;
        }
        ByteRange from, to;
        if (gapBegin > last || !NodeRange(text_, scan_.items[gapBegin].node, &from) ||
            !NodeRange(text_, scan_.items[last].node, &to))
            return Status::Error("the voices' notes cannot be located in the text");
        plan_->tail = {from.begin, to.end};
        plan_->tailStart = cursor;
        plan_->tailEnd = scan_.items[last].cursorAfter;
        return Status();
    }

private:
    bool Own(const MeasureItem& item) const {
        return std::any_of(rewritten_.begin(), rewritten_.end(), [&](const VoiceId& id) {
            return BelongsToVoice(scan_, item, id.first, id.second);
        });
    }

    // A backup, or a forward of no voice: a plain move of the cursor.
    bool Move(const MeasureItem& item) const {
        return item.kind == ItemKind::kBackup ||
               (item.kind == ItemKind::kForward && !item.hasVoice && scan_.namesVoices);
    }

    // The items [begin, end) lie between two items that stay; the cursor must go from `cursor`
    // to `target` over them. The moves there are kept when they already add up to that, one
    // of them is given the new amount when it moves the right way, else one new move replaces
    // them all.
    Status Gap(size_t begin, size_t end, Fraction cursor, Fraction target) {
        const std::optional<Fraction> need = Subtract(target, cursor);
        if (!need) return Status::Error("the measure's times are too large");
        Fraction moved;
        std::optional<size_t> reusable;
        for (size_t k = begin; k < end; ++k) {
            const MeasureItem& item = scan_.items[k];
            if (!Move(item)) continue;
            const std::optional<Fraction> by = Subtract(item.cursorAfter, item.onset);
            const std::optional<Fraction> sum = by ? Add(moved, *by) : std::nullopt;
            if (!sum) return Status::Error("the measure's times are too large");
            moved = *sum;
            if (!reusable && need->num != 0 && (by->num < 0) == (need->num < 0)) reusable = k;
        }
        if (moved == *need) return RemoveOwn(begin, end, std::nullopt);
        if (!reusable) return ReplaceGap(begin, end, *need);
        if (Status s = RemoveOwn(begin, end, reusable); !s.ok()) return s;
        return Restate(*reusable, *need);
    }

    // Removes the rewritten voices' items of [begin, end), and its moves but `keep` when moves
    // are to go too, each with the white space that follows it.
    Status RemoveOwn(size_t begin, size_t end, std::optional<size_t> keep) {
        for (size_t k = begin; k < end; ++k) {
            const MeasureItem& item = scan_.items[k];
            const bool movesGo = keep.has_value();
            if (!Own(item) && !(movesGo && Move(item) && k != *keep)) continue;
            ByteRange self, next;
            if (!NodeRange(text_, item.node, &self) ||
                !NodeRange(text_, scan_.items[k + 1].node, &next))
                return Status::Error("an item of the measure cannot be located in the text");
            Consume({self.begin, next.begin}, "");
        }
        return Status();
    }

    // Gives the move at `k` the amount `need`.
    Status Restate(size_t k, Fraction need) {
        ByteRange range, value;
        const std::optional<std::string> amount = Amount(need);
        if (!amount || !NodeRange(text_, scan_.items[k].node, &range) ||
            !divisions::ValueRange(text_, scan_.items[k].node.child("duration"), &value))
            return Status::Error("a <backup> or <forward> cannot be restated");
        plan_->edits.push_back({value.begin, value.end, *amount});
        plan_->consumed.push_back(range);
        return Status();
    }

    // Replaces every item of [begin, end) by one move of `need` (nothing for none).
    Status ReplaceGap(size_t begin, size_t end, Fraction need) {
        ByteRange from, to;
        const std::optional<std::string> amount = Amount(need);
        if (!amount || !NodeRange(text_, scan_.items[begin].node, &from) ||
            !NodeRange(text_, scan_.items[end].node, &to))
            return Status::Error("the moves between other voices cannot be rewritten");
        std::string replacement;
        if (need.num != 0) {
            const Layout layout = LayoutAt(text_, to.begin, measure_);
            const char* name = need.num < 0 ? "backup" : "forward";
            XmlOut out(text_, layout, false);
            out.Line(0, std::string("<") + name + ">");
            out.Leaf(1, "duration", *amount);
            out.End(0, std::string("</") + name + ">");
            replacement = out.Text() + layout.newline + layout.indent;
        }
        Consume({from.begin, to.begin}, std::move(replacement));
        return Status();
    }

    // The magnitude of a move of `quarters` as the rewritten measure counts it.
    std::optional<std::string> Amount(Fraction quarters) const {
        const std::optional<Fraction> scaled =
            Multiply(Fraction{quarters.num < 0 ? -quarters.num : quarters.num, quarters.den},
                     divisions_);
        return scaled ? FormatDecimal(*scaled) : std::nullopt;
    }

    void Consume(ByteRange range, std::string text) {
        plan_->edits.push_back({range.begin, range.end, std::move(text)});
        plan_->consumed.push_back(range);
    }

    std::string_view text_;
    const MeasureTimeline& scan_;
    const std::vector<VoiceId>& rewritten_;
    int64_t divisions_;
    pugi::xml_node measure_;
    InterleavedPlan* plan_;
};

}  // namespace

Status PlanInterleaved(std::string_view text, const MeasureTimeline& scan, size_t first,
                       size_t last, const std::vector<VoiceId>& rewritten, int64_t divisions,
                       pugi::xml_node measure, InterleavedPlan* plan) {
    *plan = InterleavedPlan{};
    if (first > last || last >= scan.items.size()) return Status::Error("no voice to rewrite");
    return Planner(text, scan, rewritten, divisions, measure, plan).Run(first, last);
}

}  // namespace qz::musicxml::writer
