#include "invariant_checks.h"

#include <algorithm>
#include <set>
#include <tuple>

namespace qz::corpus {

int Report::Rewritten() const {
    return static_cast<int>(std::count_if(rows.begin(), rows.end(),
                                          [](const ReportRow& r) { return r.rewritten; }));
}

bool ReadShow(const Json& json, ShowInfo* show, std::string* error) {
    *show = ShowInfo();
    show->measures = json["measures"].AsInt();
    for (const Json& s : json["staves"].items) {
        StaffInfo staff;
        staff.slot = s["slot"].AsInt();
        staff.part = s["part"].text;
        staff.staff = s["staff"].AsInt();
        for (const Json& v : s["voices"].items) staff.voices.push_back(v.text);
        if (staff.slot != static_cast<int>(show->staves.size()) + 1) {
            *error = "show lists slot " + std::to_string(staff.slot) + " out of order";
            return false;
        }
        show->staves.push_back(staff);
    }
    if (json["measures"].kind != Json::Kind::Number || show->staves.empty()) {
        *error = "show --json lacks \"measures\" or \"staves\"";
        return false;
    }
    return true;
}

bool ReadReport(const Json& json, Report* report, std::string* error) {
    *report = Report();
    if (json["repeats"].kind != Json::Kind::Array) {
        *error = "report lacks \"repeats\"";
        return false;
    }
    for (const Json& r : json["repeats"].items) {
        ReportRow row;
        row.slot = r["slot"].AsInt();
        row.part = r["part"].text;
        row.staff = r["staff"].AsInt();
        row.layer = r["layer"].AsInt();
        if (r["measures"].items.size() != 2) {
            *error = "report row without [first, last] measures";
            return false;
        }
        row.first = r["measures"].items[0].AsInt();
        row.last = r["measures"].items[1].AsInt();
        row.rewritten = r["status"].text == "rewritten";
        if (!row.rewritten && r["status"].text != "skipped") {
            *error = "report row with status \"" + r["status"].text + "\"";
            return false;
        }
        row.reason = r["reason"].text;
        report->rows.push_back(row);
    }
    report->tiesDropped = json["ties_dropped"].AsInt();
    report->lyricsDropped = json["lyrics_dropped"].AsInt();
    return true;
}

namespace {

using Failures = std::vector<std::string>;
using MeasureSet = std::set<std::pair<int, int>>;  // (part index, measure from 1)

std::string Where(const std::string& part, int measure) {
    return "part " + part + " measure " + std::to_string(measure);
}

std::string Describe(const Entry& e) {
    std::string text = "@" + ToString(e.onset) + " len " + ToString(e.duration) + " ";
    if (e.grace) text += "grace ";
    if (e.rest) return text + "rest";
    for (const std::string& p : e.pitches) text += p + " ";
    return text;
}

std::size_t LineOf(const std::string& text, std::size_t offset) {
    return 1 + static_cast<std::size_t>(
                   std::count(text.begin(), text.begin() + std::min(offset, text.size()), '\n'));
}

// The text with each listed measure replaced by a marker that names it.
std::string Masked(const std::string& text, const ScoreContent& score, const MeasureSet& measures) {
    std::vector<std::tuple<std::size_t, std::size_t, std::string>> cuts;
    for (auto [part, measure] : measures) {
        const MeasureContent& m = score.parts[part].measures[measure - 1];
        cuts.emplace_back(m.begin, m.end, "\x01" + std::to_string(part) + ":" + std::to_string(measure) + "\x01");
    }
    std::sort(cuts.begin(), cuts.end());
    std::string masked;
    std::size_t at = 0;
    for (const auto& [begin, end, marker] : cuts) {
        if (begin < at || end > text.size()) continue;
        masked.append(text, at, begin - at);
        masked += marker;
        at = end;
    }
    masked.append(text, at, std::string::npos);
    return masked;
}

void CheckBytesOutside(const std::string& in, const ScoreContent& inScore, const std::string& out,
                       const ScoreContent& outScore, const MeasureSet& rewritten, Failures* failures) {
    std::string a = Masked(in, inScore, rewritten);
    std::string b = Masked(out, outScore, rewritten);
    if (a == b) return;
    std::size_t at = 0;
    while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
    failures->push_back("bytes changed outside the rewritten measures near input line " +
                        std::to_string(LineOf(a, at)) + ": input \"" + a.substr(at, 40) +
                        "\" output \"" + b.substr(at, 40) + "\"");
}

// The destination entry the engine takes pitches from for a rebuilt entry at `onset` of measure
// offset `offset`: the last entry of that measure not after it, else its first entry; in a
// measure without entries, the first entry of the next measure that has some, else the last.
const Entry* Donor(const std::vector<std::vector<const Entry*>>& repeat, std::size_t offset,
                   Rational onset, bool* sameMeasure) {
    *sameMeasure = !repeat[offset].empty();
    if (*sameMeasure) {
        const Entry* donor = repeat[offset].front();
        for (const Entry* e : repeat[offset])
            if (e->onset <= onset) donor = e;
        return donor;
    }
    for (std::size_t i = offset + 1; i < repeat.size(); ++i)
        if (!repeat[i].empty()) return repeat[i].front();
    for (std::size_t i = offset; i-- > 0;)
        if (!repeat[i].empty()) return repeat[i].back();
    return nullptr;
}

std::vector<const Entry*> Sounding(const MeasureContent& m, const VoiceKey& key, bool* grace) {
    std::vector<const Entry*> list;
    auto it = m.voices.find(key);
    if (it == m.voices.end()) return list;
    for (const Entry& e : it->second) {
        if (e.grace) *grace = true;
        else list.push_back(&e);
    }
    return list;
}

void CheckArticulations(const Entry& out, const Entry& src, const Entry* donor, bool donorInMeasure,
                        const std::string& where, Failures* failures) {
    std::set<std::string> required(src.kinds.begin(), src.kinds.end());
    std::set<std::string> allowed = required;
    if (donor != nullptr && donor->onset == out.onset) {
        allowed.insert(donor->kinds.begin(), donor->kinds.end());
        if (donorInMeasure) required.insert(donor->kinds.begin(), donor->kinds.end());
    }
    // A rest is held, not played: of its donors' marks it keeps only the fermatas.
    if (out.rest) {
        for (std::set<std::string>* kinds : {&required, &allowed})
            for (auto it = kinds->begin(); it != kinds->end();)
                it = *it == "fermata" ? std::next(it) : kinds->erase(it);
    }
    std::set<std::string> have(out.kinds.begin(), out.kinds.end());
    if (have.size() != out.kinds.size())
        failures->push_back(where + ": an articulation kind appears twice on " + Describe(out));
    for (const std::string& k : required)
        if (!have.count(k)) failures->push_back(where + ": articulation " + k + " lost on " + Describe(out));
    for (const std::string& k : have)
        if (!allowed.count(k)) failures->push_back(where + ": articulation " + k + " from nowhere on " + Describe(out));
}

// The rewritten voice's entries and <forward>s must tile [0, length) exactly.
void CheckFills(const MeasureContent& out, const VoiceKey& key, Rational length,
                const std::string& where, Failures* failures) {
    std::vector<std::pair<Rational, Rational>> spans;
    if (auto it = out.voices.find(key); it != out.voices.end())
        for (const Entry& e : it->second) spans.emplace_back(e.onset, e.onset + e.duration);
    if (auto it = out.gaps.find(key); it != out.gaps.end())
        for (const Gap& g : it->second) spans.emplace_back(g.onset, g.onset + g.duration);
    std::sort(spans.begin(), spans.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    Rational reached;
    for (const auto& [begin, end] : spans) {
        if (begin != reached) {
            failures->push_back(where + ": rewritten voice " + (begin < reached ? "overlaps" : "has a hole") +
                                " at " + ToString(reached < begin ? reached : begin));
            return;
        }
        reached = end;
    }
    if (reached != length)
        failures->push_back(where + ": rewritten voice ends at " + ToString(reached) +
                            ", the measure at " + ToString(length));
}

struct RepeatCheck {
    const ScoreContent& in;
    const ScoreContent& out;
    const ShowInfo& show;
    const Selection& source;
};

// One rewritten row: every measure of the repeat against the source and the old destination.
void CheckRepeat(const RepeatCheck& c, const ReportRow& row, Failures* failures) {
    const StaffInfo& dest = c.show.staves[row.slot - 1];
    const StaffInfo& src = c.show.staves[c.source.slots.front() - 1];
    int part = c.in.PartIndex(dest.part);
    int srcPart = c.in.PartIndex(src.part);
    if (part < 0 || srcPart < 0 || src.voices.empty() || row.layer > static_cast<int>(dest.voices.size())) {
        failures->push_back("row of slot " + std::to_string(row.slot) + " names no known part or layer");
        return;
    }
    VoiceKey key{dest.staff, dest.voices[row.layer - 1]};
    VoiceKey srcKey{src.staff, src.voices.front()};
    int count = row.last - row.first + 1;
    if (row.first < 1 || count < 1 || row.layer < 1 ||
        row.last > static_cast<int>(c.in.parts[part].measures.size()) ||
        c.source.first < 1 || c.source.first - 1 + count > static_cast<int>(c.in.parts[srcPart].measures.size())) {
        failures->push_back("row of slot " + std::to_string(row.slot) + " lies outside the score");
        return;
    }
    std::vector<std::vector<const Entry*>> repeat(static_cast<std::size_t>(count));
    bool grace = false;
    for (std::size_t i = 0; i < repeat.size(); ++i)
        repeat[i] = Sounding(c.in.parts[part].measures[row.first - 1 + i], key, &grace);
    for (std::size_t i = 0; i < repeat.size(); ++i) {
        int m = row.first + static_cast<int>(i);
        std::string where = Where(dest.part, m) + " staff " + std::to_string(dest.staff) + " voice " + key.second;
        const MeasureContent& outMeasure = c.out.parts[part].measures[m - 1];
        bool outGrace = false, srcGrace = false;
        std::vector<const Entry*> out = Sounding(outMeasure, key, &outGrace);
        std::vector<const Entry*> srcEntries =
            Sounding(c.in.parts[srcPart].measures[c.source.first - 1 + i], srcKey, &srcGrace);
        if (outGrace || grace) failures->push_back(where + ": grace notes in a rewritten voice");
        if (out.size() < srcEntries.size()) {
            failures->push_back(where + ": " + std::to_string(out.size()) + " entries for the source's " +
                                std::to_string(srcEntries.size()));
            continue;
        }
        for (std::size_t k = 0; k < out.size(); ++k) {
            const Entry& q = *out[k];
            if (k >= srcEntries.size()) {
                if (!q.rest) failures->push_back(where + ": note after the source's rhythm: " + Describe(q));
                continue;
            }
            const Entry& s = *srcEntries[k];
            if (q.onset != s.onset || q.duration != s.duration) {
                failures->push_back(where + ": rhythm " + Describe(q) + " where the source has " + Describe(s));
                continue;
            }
            bool inMeasure = false;
            const Entry* donor = Donor(repeat, i, q.onset, &inMeasure);
            bool rest = s.rest || donor == nullptr || donor->rest;
            if (q.rest != rest || (!rest && q.pitches != donor->pitches))
                failures->push_back(where + ": " + Describe(q) + " where the chord sounding was " +
                                    (donor ? Describe(*donor) : "none") + " (source " + Describe(s) + ")");
            CheckArticulations(q, s, donor, inMeasure, where, failures);
        }
        CheckFills(outMeasure, key, ModelLength(c.in.parts[part].measures[m - 1]), where, failures);
    }
}

// Voices of rewritten measures that no row rewrote must sound as they did.
void CheckOtherVoices(const ScoreContent& in, const ScoreContent& out, const MeasureSet& measures,
                      const std::set<std::tuple<int, int, VoiceKey>>& rewritten, Failures* failures) {
    auto same = [](const Entry& a, const Entry& b) {
        return a.onset == b.onset && a.duration == b.duration && a.rest == b.rest &&
               a.grace == b.grace && a.pitches == b.pitches && a.kinds == b.kinds;
    };
    for (auto [part, measure] : measures) {
        const MeasureContent& a = in.parts[part].measures[measure - 1];
        const MeasureContent& b = out.parts[part].measures[measure - 1];
        std::set<VoiceKey> keys;
        for (const auto& [key, list] : a.voices) keys.insert(key);
        for (const auto& [key, list] : b.voices) keys.insert(key);
        for (const VoiceKey& key : keys) {
            if (rewritten.count({part, measure, key})) continue;
            static const std::vector<Entry> kNone;
            auto ia = a.voices.find(key);
            auto ib = b.voices.find(key);
            const auto& la = ia == a.voices.end() ? kNone : ia->second;
            const auto& lb = ib == b.voices.end() ? kNone : ib->second;
            if (la.size() != lb.size() || !std::equal(la.begin(), la.end(), lb.begin(), same))
                failures->push_back(Where(in.parts[part].id, measure) + ": voice " + key.second + " of staff " +
                                    std::to_string(key.first) + " changed but was not rewritten");
        }
    }
}

void CheckRows(const ShowInfo& show, const Selection& source, const Selection& dest,
               const Report& report, Failures* failures) {
    int length = source.last - source.first + 1;
    std::set<std::tuple<int, int, int>> seen;
    for (const ReportRow& row : report.rows) {
        std::string name = "row slot " + std::to_string(row.slot) + " layer " + std::to_string(row.layer) +
                           " measures " + std::to_string(row.first) + "-" + std::to_string(row.last);
        bool inDest = std::find(dest.slots.begin(), dest.slots.end(), row.slot) != dest.slots.end();
        if (!inDest || row.slot < 1 || row.slot > static_cast<int>(show.staves.size())) {
            failures->push_back(name + ": not a destination staff");
            continue;
        }
        const StaffInfo& staff = show.staves[row.slot - 1];
        if (row.part != staff.part || row.staff != staff.staff)
            failures->push_back(name + ": part/staff differ from show's");
        if (row.first < dest.first || row.last > dest.last || (row.first - dest.first) % length != 0 ||
            row.last - row.first + 1 != length)
            failures->push_back(name + ": not a repeat of the destination");
        if (!seen.insert({row.slot, row.layer, row.first}).second) failures->push_back(name + ": twice");
    }
    int repeats = (dest.last - dest.first + 1) / length;
    for (int slot : dest.slots) {
        int layers = std::min<int>(4, static_cast<int>(show.staves[slot - 1].voices.size()));
        for (int layer = 1; layer <= layers; ++layer)
            for (int r = 0; r < repeats; ++r)
                if (!seen.count({slot, layer, dest.first + r * length}))
                    failures->push_back("no row for slot " + std::to_string(slot) + " layer " +
                                        std::to_string(layer) + " repeat " + std::to_string(r + 1));
    }
}

}  // namespace

std::vector<std::string> CheckApply(const std::string& input, const std::string& output,
                                    const ShowInfo& show, const Selection& source,
                                    const Selection& dest, const Report& report) {
    Failures failures;
    CheckRows(show, source, dest, report, &failures);
    std::string inText, outText, inEncoding, outEncoding;
    if (!DecodeText(input, &inText, &inEncoding) || !DecodeText(output, &outText, &outEncoding))
        return {"cannot decode the input or the output"};
    if (inEncoding != outEncoding)
        failures.push_back("encoding " + inEncoding + " became " + outEncoding);
    if (report.Rewritten() == 0 && output != input)
        failures.push_back("nothing was rewritten but the output differs from the input");
    ScoreContent in, out;
    std::string error;
    if (!ReadScore(inText, &in, &error)) return {"input unreadable: " + error};
    if (!ReadScore(outText, &out, &error)) {
        failures.push_back("output not well-formed: " + error);
        return failures;
    }
    bool shapeKept = in.parts.size() == out.parts.size();
    for (std::size_t p = 0; shapeKept && p < in.parts.size(); ++p)
        shapeKept = in.parts[p].id == out.parts[p].id && in.parts[p].measures.size() == out.parts[p].measures.size();
    if (!shapeKept) {
        failures.push_back("the output's parts or measure counts differ from the input's");
        return failures;
    }
    MeasureSet measures;
    std::set<std::tuple<int, int, VoiceKey>> voices;
    for (const ReportRow& row : report.rows) {
        int part = in.PartIndex(row.part);
        if (!row.rewritten || part < 0 || row.slot < 1 || row.slot > static_cast<int>(show.staves.size()) ||
            row.first < 1 || row.last > static_cast<int>(in.parts[part].measures.size()))
            continue;
        const StaffInfo& staff = show.staves[row.slot - 1];
        for (int m = row.first; m <= row.last; ++m) {
            measures.insert({part, m});
            if (row.layer >= 1 && row.layer <= static_cast<int>(staff.voices.size()))
                voices.insert({part, m, VoiceKey{staff.staff, staff.voices[row.layer - 1]}});
        }
    }
    CheckBytesOutside(inText, in, outText, out, measures, &failures);
    RepeatCheck check{in, out, show, source};
    for (const ReportRow& row : report.rows)
        if (row.rewritten && row.slot >= 1 && row.slot <= static_cast<int>(show.staves.size()))
            CheckRepeat(check, row, &failures);
    CheckOtherVoices(in, out, measures, voices, &failures);
    return failures;
}

}  // namespace qz::corpus
