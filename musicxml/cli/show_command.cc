#include "musicxml/cli/show_command.h"

#include "musicxml/cli/json_text.h"

namespace qz::musicxml {
namespace {

std::string JsonList(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) out += (i ? ", " : "") + JsonString(items[i]);
    return out + "]";
}

}  // namespace

std::string ShowText(const Score& score) {
    std::string out = "measures: " + std::to_string(score.measureCount) + "\n";
    for (std::size_t i = 0; i < score.slots.size(); ++i) {
        const ModelSlot& slot = score.slots[i];
        const ModelPart& part = score.parts[static_cast<std::size_t>(slot.part)];
        out += "staff " + std::to_string(i + 1) + ": part " + part.id;
        if (!part.name.empty()) out += " \"" + part.name + "\"";
        out += ", staff " + std::to_string(slot.staff) + " of " + std::to_string(part.staves);
        out += "; voices:";
        if (slot.layers.empty()) out += " none";
        for (std::size_t l = 0; l < slot.layers.size(); ++l)
            out += " " + slot.layers[l] + "->layer " + std::to_string(l + 1);
        if (!slot.unmapped.empty()) {
            out += "; not rewritten (fifth and later voices):";
            for (const std::string& v : slot.unmapped) out += " " + v;
        }
        out += "\n";
    }
    return out;
}

std::string ShowJson(const Score& score) {
    std::string out = "{\"measures\": " + std::to_string(score.measureCount) + ", \"staves\": [";
    for (std::size_t i = 0; i < score.slots.size(); ++i) {
        const ModelSlot& slot = score.slots[i];
        const ModelPart& part = score.parts[static_cast<std::size_t>(slot.part)];
        out += i ? ", " : "";
        out += "{\"slot\": " + std::to_string(i + 1) + ", \"part\": " + JsonString(part.id) +
               ", \"name\": " + JsonString(part.name) + ", \"staff\": " +
               std::to_string(slot.staff) + ", \"voices\": " + JsonList(slot.layers) +
               ", \"unmapped_voices\": " + JsonList(slot.unmapped) + "}";
    }
    return out + "]}\n";
}

}  // namespace qz::musicxml
