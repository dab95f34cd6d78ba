#include "invariant_score.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <pugixml.hpp>

namespace qz::corpus {

Rational MakeRational(int64_t num, int64_t den) {
    if (den == 0) return {0, 1};
    if (den < 0) num = -num, den = -den;
    int64_t g = std::gcd(num < 0 ? -num : num, den);
    if (g > 1) num /= g, den /= g;
    return {num, den};
}
Rational operator+(Rational a, Rational b) {
    int64_t g = std::gcd(a.den, b.den);
    return MakeRational(a.num * (b.den / g) + b.num * (a.den / g), a.den / g * b.den);
}
Rational operator-(Rational a, Rational b) { return a + Rational{-b.num, b.den}; }
bool operator==(Rational a, Rational b) { return a.num == b.num && a.den == b.den; }
bool operator<(Rational a, Rational b) {
    // Long double keeps the comparison free of overflow for the values scores hold.
    return static_cast<long double>(a.num) * static_cast<long double>(b.den) <
           static_cast<long double>(b.num) * static_cast<long double>(a.den);
}
std::string ToString(Rational r) {
    return r.den == 1 ? std::to_string(r.num) : std::to_string(r.num) + "/" + std::to_string(r.den);
}

int ScoreContent::PartIndex(const std::string& id) const {
    for (std::size_t i = 0; i < parts.size(); ++i)
        if (parts[i].id == id) return static_cast<int>(i);
    return -1;
}

Rational ModelLength(const MeasureContent& measure) {
    if (measure.timeLength.num <= 0) return measure.extent;
    bool hasNotes = false;
    for (const auto& [key, entries] : measure.voices) hasNotes = hasNotes || !entries.empty();
    if (hasNotes && measure.extent < measure.timeLength) return measure.extent;
    return measure.timeLength;
}

namespace {

void AppendUtf8(uint32_t code, std::string* out) {
    if (code < 0x80) {
        out->push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (code >> 6)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (code >> 12)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (code >> 18)));
        out->push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool Utf16ToUtf8(const std::string& bytes, std::size_t start, bool bigEndian, std::string* out) {
    if ((bytes.size() - start) % 2 != 0) return false;
    out->clear();
    auto unit = [&](std::size_t i) {
        auto hi = static_cast<unsigned char>(bytes[i + (bigEndian ? 0 : 1)]);
        auto lo = static_cast<unsigned char>(bytes[i + (bigEndian ? 1 : 0)]);
        return static_cast<uint32_t>(hi << 8 | lo);
    };
    for (std::size_t i = start; i < bytes.size(); i += 2) {
        uint32_t code = unit(i);
        if (code >= 0xD800 && code < 0xDC00) {
            if (i + 2 >= bytes.size()) return false;
            uint32_t low = unit(i + 2);
            if (low < 0xDC00 || low >= 0xE000) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        AppendUtf8(code, out);
    }
    return true;
}

int64_t Integer(pugi::xml_node node, int64_t fallback) {
    const char* text = node.child_value();
    char* end = nullptr;
    long long value = std::strtoll(text, &end, 10);
    return end == text ? fallback : value;
}

std::string Trimmed(const char* text) {
    std::string s(text);
    auto notSpace = [](unsigned char c) { return !std::isspace(c); };
    s.erase(s.begin(), std::find_if(s.begin(), s.end(), notSpace));
    s.erase(std::find_if(s.rbegin(), s.rend(), notSpace).base(), s.end());
    return s;
}

std::string PitchName(pugi::xml_node note) {
    if (pugi::xml_node pitch = note.child("pitch")) {
        std::string alter = Trimmed(pitch.child_value("alter"));
        if (alter == "0" || alter == "0.0") alter.clear();
        return Trimmed(pitch.child_value("step")) + (alter.empty() ? "" : "[" + alter + "]") +
               Trimmed(pitch.child_value("octave"));
    }
    pugi::xml_node unpitched = note.child("unpitched");
    return "u:" + Trimmed(unpitched.child_value("display-step")) +
           Trimmed(unpitched.child_value("display-octave"));
}

std::vector<std::string> ArticulationKinds(pugi::xml_node note) {
    std::vector<std::string> kinds;
    for (pugi::xml_node notations : note.children("notations")) {
        for (pugi::xml_node group : notations.children("articulations"))
            for (pugi::xml_node a : group.children())
                if (a.type() == pugi::node_element) kinds.push_back(a.name());
        for (pugi::xml_node f = notations.child("fermata"); f; f = f.next_sibling("fermata"))
            kinds.push_back("fermata");
    }
    return kinds;
}

NoteMark ReadMark(pugi::xml_node note) {
    NoteMark mark;
    mark.pitch = PitchName(note);
    if (pugi::xml_node pitch = note.child("pitch")) {
        mark.place = Trimmed(pitch.child_value("step")) + Trimmed(pitch.child_value("octave"));
        const double alter = std::strtod(pitch.child_value("alter"), nullptr);
        mark.alter = static_cast<int>(std::lround(alter));
        mark.microtone = alter != static_cast<double>(mark.alter);
    }
    mark.accidental = Trimmed(note.child_value("accidental"));
    auto tie = [&](const pugi::xml_node& t) {
        const std::string type = t.attribute("type").value();
        mark.tieStart = mark.tieStart || type == "start";
        mark.tieStop = mark.tieStop || type == "stop";
    };
    for (pugi::xml_node t : note.children("tie")) tie(t);
    for (pugi::xml_node notations : note.children("notations"))
        for (pugi::xml_node t : notations.children("tied")) tie(t);
    return mark;
}

void ReadNotations(pugi::xml_node note, Entry* entry) {
    for (pugi::xml_node notations : note.children("notations")) {
        for (pugi::xml_node slur : notations.children("slur")) {
            const std::string number = slur.attribute("number").value();
            entry->slurs.push_back({slur.attribute("type").value(), number.empty() ? "1" : number});
        }
        for (pugi::xml_node group : notations.children("articulations"))
            for (pugi::xml_node a : group.children())
                if (a.type() == pugi::node_element) entry->articulations.push_back(a.name());
    }
}

// Time signature length in quarters: the sum of every beats/beat-type pair ("3+2" counts 5).
Rational TimeLength(pugi::xml_node time) {
    if (time.child("senza-misura")) return {0, 1};
    Rational total;
    for (pugi::xml_node beats = time.child("beats"); beats; beats = beats.next_sibling("beats")) {
        pugi::xml_node type = beats.next_sibling("beat-type");
        int64_t count = 0;
        std::string text = beats.child_value();
        for (std::size_t at = 0; at < text.size();) {
            count += std::strtoll(text.c_str() + at, nullptr, 10);
            std::size_t plus = text.find('+', at);
            at = plus == std::string::npos ? text.size() : plus + 1;
        }
        int64_t unit = Integer(type, 0);
        if (unit > 0) total = total + MakeRational(count * 4, unit);
    }
    return total;
}

// Byte range of a <measure> element: from its '<' to after its end tag (or its "/>").
void FindExtent(const std::string& text, pugi::xml_node measure, MeasureContent* content) {
    std::size_t begin = static_cast<std::size_t>(measure.offset_debug());
    if (begin > 0 && begin <= text.size() && text[begin - 1] == '<') --begin;
    content->begin = begin;
    std::size_t tagEnd = text.find('>', begin);
    if (tagEnd != std::string::npos && !measure.first_child() && text[tagEnd - 1] == '/') {
        content->end = tagEnd + 1;
        return;
    }
    // The first end tag named exactly "measure" (not "</measure-style>").
    std::size_t close = text.find("</measure", begin);
    while (close != std::string::npos && close + 9 < text.size() && text[close + 9] != '>' &&
           !std::isspace(static_cast<unsigned char>(text[close + 9])))
        close = text.find("</measure", close + 9);
    std::size_t gt = close == std::string::npos ? std::string::npos : text.find('>', close);
    content->end = gt == std::string::npos ? text.size() : gt + 1;
}

// The key signature in force, from measure to measure.
struct Key {
    int fifths = 0;
    bool known = true;
};

// Reads one measure; `divisions`, `time` and `signature` carry the part's state from measure to measure.
void ReadMeasure(pugi::xml_node measure, int64_t* divisions, Rational* time, Key* signature,
                 MeasureContent* content) {
    Rational cursor;
    bool noteSeen = false;
    content->fifths = signature->fifths;
    content->keyKnown = signature->known;
    Entry* last = nullptr;
    bool lastKnown = false;
    VoiceKey lastKey;
    auto length = [&](pugi::xml_node node) {
        return MakeRational(Integer(node.child("duration"), 0), *divisions > 0 ? *divisions : 1);
    };
    auto reach = [&] {
        if (content->extent < cursor) content->extent = cursor;
    };
    for (pugi::xml_node child : measure.children()) {
        std::string name = child.name();
        if (name == "attributes") {
            if (pugi::xml_node d = child.child("divisions")) *divisions = Integer(d, *divisions);
            if (pugi::xml_node t = child.child("time")) *time = TimeLength(t);
            if (pugi::xml_node k = child.child("key")) {
                // Past triple sharps or flats no key is written: such a key is left unjudged.
                const int64_t fifths = Integer(k.child("fifths"), 0);
                signature->known = k.child("fifths") && fifths >= -21 && fifths <= 21;
                signature->fifths = signature->known ? static_cast<int>(fifths) : 0;
            }
            if (!noteSeen) content->fifths = signature->fifths, content->keyKnown = signature->known;
        } else if (name == "backup") {
            cursor = cursor - length(child);
            lastKnown = false;
        } else if (name == "forward") {
            VoiceKey key = lastKey;
            if (child.child("staff")) key.first = static_cast<int>(Integer(child.child("staff"), 1));
            if (child.child("voice")) key.second = Trimmed(child.child_value("voice"));
            if (lastKnown || child.child("voice")) content->gaps[key].push_back({cursor, length(child)});
            cursor = cursor + length(child);
            reach();
        } else if (name == "note") {
            bool chord = child.child("chord") && last != nullptr;
            VoiceKey key{static_cast<int>(Integer(child.child("staff"), 1)),
                         child.child("voice") ? Trimmed(child.child_value("voice")) : "1"};
            if (!chord) {
                std::vector<Entry>& list = content->voices[key];
                list.emplace_back();
                last = &list.back();
                last->onset = cursor;
                last->grace = static_cast<bool>(child.child("grace"));
                last->duration = last->grace ? Rational{} : length(child);
                last->rest = static_cast<bool>(child.child("rest"));
                if (!last->grace) cursor = cursor + last->duration;
                lastKey = key;
                lastKnown = true;
            }
            noteSeen = true;
            if (!child.child("rest")) {
                last->pitches.push_back(PitchName(child));
                last->notes.push_back(ReadMark(child));
            }
            ReadNotations(child, last);
            std::vector<std::string> kinds = ArticulationKinds(child);
            std::string joined;
            for (const std::string& k : kinds) joined += k + ",";
            last->noteKinds.push_back(joined);
            last->kinds.insert(last->kinds.end(), kinds.begin(), kinds.end());
            std::sort(last->pitches.begin(), last->pitches.end());
            reach();
        }
    }
    content->timeLength = *time;
}

}  // namespace

bool DecodeText(const std::string& bytes, std::string* utf8, std::string* encoding) {
    auto starts = [&](const char* prefix, std::size_t n) { return bytes.compare(0, n, prefix, n) == 0; };
    if (starts("\xEF\xBB\xBF", 3)) {
        *encoding = "UTF-8 BOM";
        *utf8 = bytes.substr(3);
        return true;
    }
    if (starts("\xFF\xFE", 2)) return *encoding = "UTF-16LE BOM", Utf16ToUtf8(bytes, 2, false, utf8);
    if (starts("\xFE\xFF", 2)) return *encoding = "UTF-16BE BOM", Utf16ToUtf8(bytes, 2, true, utf8);
    if (starts("<\0", 2)) return *encoding = "UTF-16LE", Utf16ToUtf8(bytes, 0, false, utf8);
    if (starts("\0<", 2)) return *encoding = "UTF-16BE", Utf16ToUtf8(bytes, 0, true, utf8);
    *encoding = "UTF-8";
    *utf8 = bytes;
    return true;
}

bool ReadScore(const std::string& utf8, ScoreContent* score, std::string* error) {
    pugi::xml_document doc;
    pugi::xml_parse_result parsed = doc.load_buffer(utf8.data(), utf8.size(),
                                                    pugi::parse_default, pugi::encoding_utf8);
    if (!parsed) {
        std::size_t at = static_cast<std::size_t>(parsed.offset);
        int line = 1 + static_cast<int>(std::count(utf8.begin(), utf8.begin() + std::min(at, utf8.size()), '\n'));
        *error = "line " + std::to_string(line) + ": " + parsed.description();
        return false;
    }
    pugi::xml_node root = doc.child("score-partwise");
    if (!root) {
        *error = "not a partwise score";
        return false;
    }
    *score = ScoreContent();
    for (pugi::xml_node part : root.children("part")) {
        PartContent content;
        content.id = part.attribute("id").value();
        int64_t divisions = 1;
        Rational time;
        Key signature;
        for (pugi::xml_node measure : part.children("measure")) {
            content.measures.emplace_back();
            FindExtent(utf8, measure, &content.measures.back());
            ReadMeasure(measure, &divisions, &time, &signature, &content.measures.back());
        }
        score->parts.push_back(std::move(content));
    }
    return true;
}

}  // namespace qz::corpus
