#include "musicxml/report.h"

#include <cstdio>

#include "musicxml/rational.h"
#include "musicxml/json_text.h"

namespace qz::musicxml {
namespace {

const std::vector<int> kNone;

const std::vector<int>& EntriesOf(const Score& score, int slot, int measure, int layer) {
    const ModelSlot& model = score.slots[static_cast<std::size_t>(slot - 1)];
    if (layer < 1 || layer > static_cast<int>(model.layers.size())) return kNone;
    const VoiceMeasure* v = score.Voice(slot, measure, model.layers[static_cast<std::size_t>(layer - 1)]);
    return v ? v->entries : kNone;
}

int32_t HostLength(const Score& score, int slot, int measure) {
    int32_t units = ToHostUnits(score.MeasureLength(slot, measure));
    return units < 1 ? 1 : units;
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

std::string EngineSkipReason(const Score& score, const Selection& source,
                             const PlannedRepeat& row) {
    bool any = false;
    for (int m = row.firstMeasure; m <= row.lastMeasure && !any; ++m)
        any = !EntriesOf(score, row.slot, m, row.layer).empty();
    if (!any) return "empty";
    for (int m = row.firstMeasure; m <= row.lastMeasure; ++m) {
        const int sm = source.firstMeasure + (m - row.firstMeasure);
        if (HostLength(score, row.slot, m) < HostLength(score, source.firstSlot, sm))
            return "measure " + std::to_string(m) + " is shorter than source measure " +
                   std::to_string(sm);
    }
    for (int m = row.firstMeasure; m <= row.lastMeasure; ++m) {
        const int sm = source.firstMeasure + (m - row.firstMeasure);
        const std::vector<int>& sourceEntries = EntriesOf(score, source.firstSlot, sm, 1);
        for (int e : EntriesOf(score, row.slot, m, row.layer)) {
            const ModelEntry& entry = score.entries[static_cast<std::size_t>(e)];
            bool found = false;
            for (int s : sourceEntries)
                found = found || score.entries[static_cast<std::size_t>(s)].position == entry.position;
            if (!found)
                return "attack at measure " + std::to_string(m) + " beat " + BeatText(entry.onset) +
                       " has no source attack";
        }
    }
    return "";
}

Report BuildReport(const Score& score, const Selection& source,
                   const std::vector<Selection>& destination,
                   const std::vector<PlannedRepeat>& plan, const ReadBackResult& readBack,
                   const std::map<std::size_t, std::string>& unwritable) {
    Report report;
    report.tiesDropped = readBack.tiesDropped;
    report.lyricsMoved = readBack.lyricsMoved;
    report.lyricsDropped = readBack.lyricsDropped;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const PlannedRepeat& row = plan[i];
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
            else if (row.isSource) out.reason = "this is the source itself";
            else out.reason = EngineSkipReason(score, source, row);
            if (out.reason.empty()) out.reason = "the plug-in left it unchanged";
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
