#include "invariant_notation.h"

#include <algorithm>
#include <map>

namespace qz::corpus {
namespace {

std::string Where(const PartContent& part, int measure, const VoiceKey& key) {
    return "part " + part.id + " measure " + std::to_string(measure) + " staff " +
           std::to_string(key.first) + " voice " + key.second;
}

std::set<VoiceKey> VoicesOf(const PartContent& part) {
    std::set<VoiceKey> keys;
    for (const MeasureContent& m : part.measures)
        for (const auto& [key, entries] : m.voices) keys.insert(key);
    return keys;
}

void SlurProblems(const PartContent& part, const VoiceKey& key, std::vector<std::string>* out) {
    std::map<std::string, int> open;  // number -> measure of its start
    auto problem = [&](int measure, const std::string& text) {
        out->push_back("[slur] " + Where(part, measure, key) + ": " + text);
    };
    for (std::size_t m = 0; m < part.measures.size(); ++m) {
        auto it = part.measures[m].voices.find(key);
        if (it == part.measures[m].voices.end()) continue;
        const int measure = static_cast<int>(m) + 1;
        for (const Entry& e : it->second) {
            // A note may end one slur and begin the next of the same number.
            for (const SlurMark& s : e.slurs)
                if (s.type == "stop" && open.erase(s.number) == 0)
                    problem(measure, "slur " + s.number + " stops at " + ToString(e.onset) + " without a start");
            for (const SlurMark& s : e.slurs) {
                if (s.type != "start") continue;
                if (open.count(s.number))
                    problem(open[s.number], "slur " + s.number + " starts without a stop");
                open[s.number] = measure;
            }
        }
    }
    for (const auto& [number, measure] : open) problem(measure, "slur " + number + " starts without a stop");
}

void TieProblems(const PartContent& part, const VoiceKey& key, std::vector<std::string>* out) {
    std::vector<std::pair<int, const Entry*>> entries;  // (measure, entry), graces left out
    for (std::size_t m = 0; m < part.measures.size(); ++m)
        if (auto it = part.measures[m].voices.find(key); it != part.measures[m].voices.end())
            for (const Entry& e : it->second)
                if (!e.grace) entries.emplace_back(static_cast<int>(m) + 1, &e);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const auto& [measure, entry] = entries[i];
        for (const NoteMark& note : entry->notes) {
            if (!note.tieStart) continue;
            const Entry* next = i + 1 < entries.size() ? entries[i + 1].second : nullptr;
            if (next && std::count(next->pitches.begin(), next->pitches.end(), note.pitch)) continue;
            std::string met = "nothing";
            if (next) {
                met = next->rest ? "a rest" : "";
                for (const std::string& p : next->pitches) met += (met.empty() ? "" : " ") + p;
                met += " at measure " + std::to_string(entries[i + 1].first) + " beat " + ToString(next->onset);
            }
            out->push_back("[tie] " + Where(part, measure, key) + ": tie from " + note.pitch + " at " +
                           ToString(entry->onset) + " meets " + met);
        }
    }
}

// The alteration the key signature gives a step: one per time the order of sharps (or flats)
// reaches it, so that eight flats give B a double flat.
int KeyAlter(int fifths, char step) {
    const std::string& order = fifths > 0 ? std::string("FCGDAEB") : std::string("BEADGCF");
    const std::size_t at = order.find(step);
    const int count = std::abs(fifths);
    if (at == std::string::npos || static_cast<int>(at) >= count) return 0;
    const int times = (count - 1 - static_cast<int>(at)) / 7 + 1;
    return fifths > 0 ? times : -times;
}

// The alteration an <accidental> shows; nothing for signs that are no plain alteration.
bool AccidentalAlter(const std::string& text, int* alter) {
    static const std::map<std::string, int> kSigns = {
        {"sharp", 1}, {"natural", 0}, {"flat", -1}, {"double-sharp", 2}, {"sharp-sharp", 2},
        {"flat-flat", -2}, {"natural-sharp", 1}, {"natural-flat", -1}};
    auto it = kSigns.find(text);
    if (it == kSigns.end()) return false;
    *alter = it->second;
    return true;
}

struct Struck {
    Rational onset;
    const VoiceKey* voice;
    std::size_t index;  // of the entry in its voice
    const NoteMark* note;
};

// What a reader takes `note` (entry `index` of `voice`, at `onset`) to be without an accidental:
// the last earlier note on its staff position in the measure, else the key signature.
int ExpectedAlter(const std::vector<Struck>& staff, const MeasureContent& m, const VoiceKey& voice,
                  std::size_t index, Rational onset, const NoteMark& note, std::string* because) {
    const Struck* last = nullptr;
    for (const Struck& s : staff) {
        const bool earlier = s.onset < onset || (*s.voice == voice && s.onset == onset && s.index < index);
        if (earlier && s.note->place == note.place && (last == nullptr || last->onset <= s.onset)) last = &s;
    }
    if (last != nullptr) {
        *because = "the " + last->note->pitch + " at " + ToString(last->onset) + " before it";
        return last->note->alter;
    }
    *because = "the key signature";
    return KeyAlter(m.fifths, note.place.empty() ? ' ' : note.place[0]);
}

void AccidentalProblems(const PartContent& part, int measure, const VoiceKey& key,
                        std::vector<std::string>* out) {
    const MeasureContent& m = part.measures[static_cast<std::size_t>(measure - 1)];
    auto it = m.voices.find(key);
    if (!m.keyKnown || it == m.voices.end()) return;
    std::vector<Struck> staff;
    for (const auto& [voice, entries] : m.voices)
        if (voice.first == key.first)
            for (std::size_t i = 0; i < entries.size(); ++i)
                for (const NoteMark& n : entries[i].notes)
                    if (!n.place.empty() && !n.microtone) staff.push_back({entries[i].onset, &voice, i, &n});
    for (std::size_t i = 0; i < it->second.size(); ++i) {
        const Entry& e = it->second[i];
        for (const NoteMark& n : e.notes) {
            if (n.place.empty() || n.microtone || n.tieStop) continue;
            std::string because;
            const int expected = ExpectedAlter(staff, m, key, i, e.onset, n, &because);
            int shown = 0;
            const std::string at = "[accidental] " + Where(part, measure, key) + ": " + n.pitch + " at " + ToString(e.onset);
            if (n.accidental.empty() && n.alter != expected)
                out->push_back(at + " shows no accidental after " + because);
            else if (!n.accidental.empty() && AccidentalAlter(n.accidental, &shown) && shown != n.alter)
                out->push_back(at + " shows a " + n.accidental);
        }
    }
}

// One voice's entries through the part, each with its measure.
std::vector<std::pair<int, const Entry*>> EntriesOf(const PartContent& part, const VoiceKey& key) {
    std::vector<std::pair<int, const Entry*>> entries;
    for (std::size_t m = 0; m < part.measures.size(); ++m)
        if (auto it = part.measures[m].voices.find(key); it != part.measures[m].voices.end())
            for (const Entry& e : it->second) entries.emplace_back(static_cast<int>(m) + 1, &e);
    return entries;
}

// Per slur mark of the voice (entry index, mark index): the measure of its other end, 0 if none.
std::map<std::pair<std::size_t, std::size_t>, int> SlurPartners(
    const std::vector<std::pair<int, const Entry*>>& entries) {
    std::map<std::pair<std::size_t, std::size_t>, int> partner;
    std::map<std::string, std::pair<std::size_t, std::size_t>> open;  // number -> its start
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const std::vector<SlurMark>& slurs = entries[i].second->slurs;
        for (std::size_t k = 0; k < slurs.size(); ++k) {
            partner[{i, k}] = 0;
            if (slurs[k].type != "stop" || !open.count(slurs[k].number)) continue;
            const auto start = open[slurs[k].number];
            open.erase(slurs[k].number);
            partner[start] = entries[i].first;
            partner[{i, k}] = entries[start.first].first;
        }
        for (std::size_t k = 0; k < slurs.size(); ++k)
            if (slurs[k].type == "start") open[slurs[k].number] = {i, k};
    }
    return partner;
}

// Tie and slur ends an output lacks in a voice left as it was: each must have had its other end
// in a rewritten voice, so that keeping it would have left it alone.
void RemovalProblemsOf(const PartContent& in, const PartContent& out, int p, const VoiceKey& key,
                       const std::set<MeasureVoice>& rewritten, std::vector<std::string>* problems) {
    const auto before = EntriesOf(in, key), after = EntriesOf(out, key);
    if (before.size() != after.size()) return;  // a changed voice is another check's failure
    const auto partners = SlurPartners(before);
    auto isRewritten = [&](int measure) { return rewritten.count({p, measure, key}) != 0; };
    auto problem = [&](int measure, const std::string& text) {
        problems->push_back("[removal] " + Where(in, measure, key) + ": " + text);
    };
    std::vector<std::size_t> timed;  // entries a tie can join (graces left out)
    for (std::size_t i = 0; i < before.size(); ++i)
        if (!before[i].second->grace) timed.push_back(i);
    for (std::size_t i = 0; i < before.size(); ++i) {
        const auto& [measure, a] = before[i];
        const Entry* b = after[i].second;
        if (isRewritten(measure)) continue;
        std::vector<SlurMark> left = b->slurs;
        for (std::size_t k = 0; k < a->slurs.size(); ++k) {
            auto kept = std::find_if(left.begin(), left.end(), [&](const SlurMark& s) {
                return s.type == a->slurs[k].type && s.number == a->slurs[k].number;
            });
            if (kept != left.end()) {
                left.erase(kept);
                continue;
            }
            const int other = partners.at({i, k});
            if (other == 0 || !isRewritten(other))
                problem(measure, "slur " + a->slurs[k].number + " " + a->slurs[k].type + " at " +
                                     ToString(a->onset) + " removed though its other end stayed");
        }
        const auto at = std::find(timed.begin(), timed.end(), i);
        for (std::size_t n = 0; n < a->notes.size() && n < b->notes.size() && at != timed.end(); ++n) {
            const NoteMark &was = a->notes[n], &now = b->notes[n];
            const bool lostStart = was.tieStart && !now.tieStart, lostStop = was.tieStop && !now.tieStop;
            const bool nextRewritten = at + 1 != timed.end() && isRewritten(before[*(at + 1)].first);
            const bool previousRewritten = at != timed.begin() && isRewritten(before[*(at - 1)].first);
            if ((lostStart && !nextRewritten) || (lostStop && !previousRewritten))
                problem(measure, "tie of " + was.pitch + " at " + ToString(a->onset) +
                                     " removed though the note it joins stayed");
        }
    }
}

}  // namespace

std::vector<std::string> RemovalProblems(const ScoreContent& in, const ScoreContent& out,
                                         const std::set<MeasureVoice>& rewritten) {
    std::vector<std::string> problems;
    for (std::size_t p = 0; p < in.parts.size() && p < out.parts.size(); ++p)
        for (const VoiceKey& key : VoicesOf(in.parts[p]))
            RemovalProblemsOf(in.parts[p], out.parts[p], static_cast<int>(p), key, rewritten, &problems);
    return problems;
}

std::vector<std::string> PairingProblems(const ScoreContent& score) {
    std::vector<std::string> problems;
    for (const PartContent& part : score.parts)
        for (const VoiceKey& key : VoicesOf(part)) {
            SlurProblems(part, key, &problems);
            TieProblems(part, key, &problems);
        }
    return problems;
}

std::vector<std::string> VoiceProblems(const ScoreContent& score, const std::set<MeasureVoice>& voices) {
    std::vector<std::string> problems;
    for (const auto& [p, measure, key] : voices) {
        if (p < 0 || p >= static_cast<int>(score.parts.size())) continue;
        const PartContent& part = score.parts[static_cast<std::size_t>(p)];
        if (measure < 1 || measure > static_cast<int>(part.measures.size())) continue;
        auto it = part.measures[static_cast<std::size_t>(measure - 1)].voices.find(key);
        if (it != part.measures[static_cast<std::size_t>(measure - 1)].voices.end())
            for (const Entry& e : it->second)
                if (e.rest && !e.articulations.empty())
                    problems.push_back("[rest-articulation] " + Where(part, measure, key) + ": rest at " +
                                       ToString(e.onset) + " carries <" + e.articulations.front() + ">");
        AccidentalProblems(part, measure, key, &problems);
    }
    return problems;
}

}  // namespace qz::corpus
