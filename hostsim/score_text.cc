// Score texts: WriteMeasure, DescribeMeasure and PrintScore.
#include <algorithm>
#include <optional>
#include <string_view>

#include "host/exentry.h"
#include "hostsim/music_notation.h"
#include "hostsim/score_text.h"
#include "memhost/entry_record.h"

namespace hostsim {

namespace ex = qz::host::exentry;
using namespace qz::memhost;

namespace {

constexpr int kMaxDetailsPerEntry = 64;
constexpr int kMaxMeasuresPrinted = 10000;

bool ReadPitches(std::string_view token, std::size_t* at, EntrySpec* entry) {
    if (*at < token.size() && token[*at] == 'r') {
        ++*at;
        return true;
    }
    for (;;) {
        std::optional<notation::SpelledPitch> pitch = notation::ReadPitch(token, at);
        if (!pitch) return false;
        entry->pitches.push_back(pitch->key);
        entry->accidentals.push_back(pitch->accidental);
        bool another = *at + 1 < token.size() && token[*at] == '+' && token[*at + 1] != 'd';
        if (!another) return entry->pitches.size() <= static_cast<std::size_t>(ex::kMaxNotes);
        ++*at;
    }
}

bool ReadDuration(std::string_view token, std::size_t* at, EntrySpec* entry) {
    if (*at < token.size() && token[*at] == '*') {
        ++*at;
        std::optional<int32_t> units = notation::ReadInteger(token, at);
        if (!units) return false;
        entry->duration = *units;
        return true;
    }
    std::optional<int32_t> value = notation::ReadNoteValue(token, at);
    if (!value) return false;
    entry->duration = *value;
    return true;
}

bool ReadAttachments(std::string_view token, std::size_t* at, EntrySpec* entry) {
    while (*at < token.size() && token[*at] == '@') {
        ++*at;
        std::optional<int32_t> definition = notation::ReadInteger(token, at);
        if (!definition || *definition < -32768 || *definition > 32767) return false;
        entry->articulations.push_back(*definition);
    }
    if (token.substr(*at, 2) == "+d") {
        *at += 2;
        entry->details = 1;
        if (*at < token.size()) {
            std::optional<int32_t> count = notation::ReadInteger(token, at);
            if (!count || *count < 1 || *count > kMaxDetailsPerEntry) return false;
            entry->details = *count;
        }
    }
    return *at == token.size();
}

// One entry token; `start` is where the previous entry ended.
std::optional<EntrySpec> ReadEntry(std::string_view token, int32_t start) {
    EntrySpec entry;
    entry.position = start;
    std::size_t at = 0;
    if (!token.empty() && token[0] == '[') {
        at = 1;
        std::optional<int32_t> position = notation::ReadInteger(token, &at);
        if (!position || at >= token.size() || token[at] != ']') return std::nullopt;
        ++at;
        entry.position = *position;
    }
    if (!ReadPitches(token, &at, &entry) || !ReadDuration(token, &at, &entry) ||
        !ReadAttachments(token, &at, &entry))
        return std::nullopt;
    return entry;
}

std::optional<std::vector<EntrySpec>> ReadMeasure(std::string_view text) {
    std::vector<EntrySpec> entries;
    int64_t end = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        if (text[at] == ' ') {
            ++at;
            continue;
        }
        std::size_t stop = std::min(text.find(' ', at), text.size());
        std::optional<EntrySpec> entry =
            ReadEntry(text.substr(at, stop - at), static_cast<int32_t>(end));
        if (!entry) return std::nullopt;
        end = static_cast<int64_t>(entry->position) + entry->duration;
        if (end > INT32_MAX || end < INT32_MIN) return std::nullopt;
        entries.push_back(*entry);
        at = stop;
    }
    return entries;
}

std::string PitchesText(const unsigned char* entry) {
    if ((ex::Flags(entry) & ex::ENTRY_HAS_NOTES) == 0) return "r";
    int count = ex::NoteCount(entry);
    if (count == 0) return "?";
    std::string text;
    for (int k = 0; k < count; ++k) {
        const unsigned char* note = ex::NoteAt(entry, k);
        if (k > 0) text += '+';
        text += notation::PitchName(PitchOf(note), SpellingOf(note));
    }
    return text;
}

std::string Padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string MeterText(const TimeSignature& meter) {
    return std::to_string(meter.beats) + "/" + std::to_string(meter.beatUnit);
}

}  // namespace

bool WriteMeasure(Document& document, int instrument, int measure, int layer,
                  const std::string& text) {
    std::optional<std::vector<EntrySpec>> entries = ReadMeasure(text);
    if (!entries) return false;
    document.ClearEntries(instrument, measure, layer);
    for (const EntrySpec& entry : *entries) document.AddEntry(instrument, measure, layer, entry);
    return true;
}

std::string DescribeMeasure(const Document& document, int instrument, int measure, int layer) {
    const std::vector<Record>* records = document.FindEntries(instrument, measure, layer);
    if (records == nullptr) return "";
    std::string text;
    int64_t end = 0;
    for (const Record& stored : *records) {
        Record entry(ex::kSize, 0);  // a short stored record reads as zeros
        std::copy_n(stored.begin(), std::min(stored.size(), ex::kSize), entry.begin());
        const unsigned char* e = entry.data();
        if (!text.empty()) text += ' ';
        int32_t position = ex::Position(e);
        if (position != end) text += "[" + std::to_string(position) + "]";
        text += PitchesText(e) + notation::DurationText(DurationOf(e));
        uint32_t number = ex::EntryNumber(e);
        if (number != 0) {
            for (int definition : document.ArticulationsOf(number)) text += "@" + std::to_string(definition);
            int details = document.DetailCountOf(number);
            if (details == 1) text += "+d";
            if (details > 1) text += "+d" + std::to_string(details);
        }
        end = static_cast<int64_t>(position) + DurationOf(e);
    }
    return text;
}

std::string PrintScore(const Document& document, int firstSlot, int lastSlot, int firstMeasure,
                       int lastMeasure, int layers) {
    layers = std::clamp(layers, 1, 4);
    lastMeasure = std::min(lastMeasure, firstMeasure + kMaxMeasuresPrinted - 1);
    lastSlot = std::min(lastSlot, firstSlot + kMaxMeasuresPrinted - 1);
    const std::size_t labelWidth = std::to_string(std::max(lastMeasure, 1)).size() + 1;
    const std::string lead = "  ";
    std::string out;
    for (int slot = firstSlot; slot <= lastSlot; ++slot) {
        int instrument = document.SlotToInstrument(slot);
        if (instrument == 0) {
            out += "Staff " + std::to_string(slot) + ": no such staff\n";
            continue;
        }
        out += "Staff " + std::to_string(slot) + " (instrument " + std::to_string(instrument) +
               ")\n";
        for (int m = firstMeasure; m <= lastMeasure; ++m) {
            std::string head = lead + Padded("m" + std::to_string(m), labelWidth) + "  ";
            if (m < 1 || m > document.MeasureCount()) {
                out += head + "(no such measure)\n";
                continue;
            }
            head += Padded(MeterText(document.TimeSignatureOf(m)), 5) + "  ";
            const std::string indent(head.size(), ' ');
            bool any = false;
            for (int layer = 0; layer < layers; ++layer) {
                std::string music = DescribeMeasure(document, instrument, m, layer);
                if (music.empty()) continue;
                out += (any ? indent : head) + "L" + std::to_string(layer + 1) + ": " + music + "\n";
                any = true;
            }
            if (!any) out += head + "-\n";
        }
    }
    return out;
}

}  // namespace hostsim
