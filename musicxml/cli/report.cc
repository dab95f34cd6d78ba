#include "musicxml/cli/report.h"

#include <cstdio>

#include "musicxml/rational.h"
#include "musicxml/cli/json_text.h"

namespace qz::musicxml {
namespace {

// The onset of the entry of a repeat's voice at a host position, for saying where an attack is.
Fraction OnsetAt(const Score& score, const EngineRepeat& row, int measure, int32_t position) {
    const ModelSlot& model = score.slots[static_cast<std::size_t>(row.slot - 1)];
    const std::string& voice = model.layers[static_cast<std::size_t>(row.layer - 1)];
    if (const VoiceMeasure* v = score.Voice(row.slot, measure, voice))
        for (int e : v->entries)
            if (score.entries[static_cast<std::size_t>(e)].position == position)
                return score.entries[static_cast<std::size_t>(e)].onset;
    return Fraction{position, 1024};
}

}  // namespace

std::string BeatText(Fraction onset) {
    std::optional<Fraction> beat = Add(onset, Fraction{1, 1});
    if (!beat) return "?";
    if (beat->den == 1) return std::to_string(beat->num);
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.3f",
                  static_cast<double>(beat->num) / static_cast<double>(beat->den));
    std::string text = buffer;
    while (!text.empty() && text.back() == '0') text.pop_back();
    if (!text.empty() && text.back() == '.') text.pop_back();
    return text;
}

std::string EngineReason(const Score& score, const EngineRepeat& row) {
    const engine::RepeatDecision& d = row.decision;
    switch (d.outcome) {
        case engine::RepeatOutcome::kIsSource:
            return "this is the source itself";
        case engine::RepeatOutcome::kEmpty:
        case engine::RepeatOutcome::kHidden:
            return "empty";
        case engine::RepeatOutcome::kMeasureTooShort:
            return "measure " + std::to_string(d.measure) + " is shorter than source measure " +
                   std::to_string(d.sourceMeasure);
        case engine::RepeatOutcome::kUnmatchedAttack:
            return "attack at measure " + std::to_string(d.measure) + " beat " +
                   BeatText(OnsetAt(score, row, d.measure, d.position)) + " has no source attack";
        default:
            return "the plug-in left it unchanged";
    }
}

Report BuildReport(const Score& score, const std::vector<Selection>& destination,
                   const std::vector<EngineRepeat>& plan, const ReadBackResult& readBack,
                   const std::map<std::size_t, std::string>& unwritable) {
    Report report;
    report.tiesDropped = readBack.tiesDropped;
    report.lyricsMoved = readBack.lyricsMoved;
    report.lyricsDropped = readBack.lyricsDropped;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const EngineRepeat& row = plan[i];
        const ModelSlot& slot = score.slots[static_cast<std::size_t>(row.slot - 1)];
        ReportRow out;
        out.slot = row.slot;
        out.part = score.parts[static_cast<std::size_t>(slot.part)].id;
        out.staff = slot.staff;
        out.layer = row.layer;
        out.firstMeasure = row.firstMeasure;
        out.lastMeasure = row.lastMeasure;
        out.rewritten = i < readBack.rewritten.size() && readBack.rewritten[i];
        if (!out.rewritten) {
            if (!row.refusal.empty()) out.reason = row.refusal;
            else if (unwritable.count(i)) out.reason = unwritable.at(i);
            else out.reason = EngineReason(score, row);
        }
        report.rows.push_back(std::move(out));
    }
    for (const Selection& region : destination)
        for (int s = region.firstSlot; s <= region.lastSlot; ++s)
            for (const std::string& voice : score.slots[static_cast<std::size_t>(s - 1)].unmapped)
                report.unmapped.push_back(UnmappedVoice{s, voice});
    return report;
}

std::string ExplainText(const Report& report) {
    std::string out;
    for (const ReportRow& row : report.rows) {
        out += "staff " + std::to_string(row.slot) + " (" + row.part + " staff " +
               std::to_string(row.staff) + ") layer " + std::to_string(row.layer) + " measures " +
               std::to_string(row.firstMeasure) + "-" + std::to_string(row.lastMeasure) + ": ";
        out += row.rewritten ? "rewritten" : "skipped: " + row.reason;
        out += "\n";
    }
    for (const UnmappedVoice& u : report.unmapped)
        out += "staff " + std::to_string(u.slot) + " voice " + u.voice +
               ": not rewritten (only four voices per staff are layers)\n";
    out += "ties dropped: " + std::to_string(report.tiesDropped) +
           ", lyrics moved: " + std::to_string(report.lyricsMoved) +
           ", lyrics dropped: " + std::to_string(report.lyricsDropped) + "\n";
    return out;
}

std::string ReportJson(const Report& report) {
    std::string out = "{\"repeats\": [";
    for (std::size_t i = 0; i < report.rows.size(); ++i) {
        const ReportRow& row = report.rows[i];
        out += i ? ", " : "";
        out += "{\"slot\": " + std::to_string(row.slot) + ", \"part\": " + JsonString(row.part) +
               ", \"staff\": " + std::to_string(row.staff) + ", \"layer\": " +
               std::to_string(row.layer) + ", \"measures\": [" + std::to_string(row.firstMeasure) +
               ", " + std::to_string(row.lastMeasure) + "], \"status\": " +
               (row.rewritten ? "\"rewritten\"" : "\"skipped\"") + ", \"reason\": " +
               JsonString(row.reason) + "}";
    }
    out += "], \"ties_dropped\": " + std::to_string(report.tiesDropped) +
           ", \"lyrics_moved\": " + std::to_string(report.lyricsMoved) +
           ", \"lyrics_dropped\": " + std::to_string(report.lyricsDropped) +
           ", \"unmapped_voices\": [";
    for (std::size_t i = 0; i < report.unmapped.size(); ++i)
        out += (i ? ", " : "") + std::string("{\"slot\": ") + std::to_string(report.unmapped[i].slot) +
               ", \"voice\": " + JsonString(report.unmapped[i].voice) + "}";
    return out + "]}\n";
}

}  // namespace qz::musicxml
