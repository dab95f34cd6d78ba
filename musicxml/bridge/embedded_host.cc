#include "musicxml/bridge/embedded_host.h"

#include "musicxml/text_encoding.h"

#include <cstdint>

#include "memhost/region_record.h"
#include "platform/native_stand_in.h"
#include "shell/plugin.h"

namespace qz::musicxml {
namespace {

namespace stand_in = qz::platform::stand_in;

// The window the embedded host passes as its own; the stand-in knows it as a live window.
void* const kHostWindow = reinterpret_cast<void*>(0x7A11);
constexpr uint32_t kHostVersion = 0x19000000;

memhost::RegionRecord RecordOf(const Selection& s) {
    return memhost::MakeRegionRecord(s.firstSlot, s.firstMeasure, s.lastSlot, s.lastMeasure);
}

// The text of the newest error box since `before` boxes, or "" when none was shown.
std::string NewBoxText(std::size_t before) {
    const auto& boxes = stand_in::MessageBoxes();
    if (boxes.size() <= before) return "";
    return Utf16ToUtf8(boxes.back().text);
}

}  // namespace

EmbeddedHost::EmbeddedHost() : document_(&host_.AddDocument()), plugin_(host_) {
    stand_in::AddWindow(kHostWindow);
}

EmbeddedHost::~EmbeddedHost() {
    stand_in::Reset();
}

CreateOutcome EmbeddedHost::Run(const Selection& source, const std::vector<Selection>& destination,
                                int slots, int measures, engine::CreateObserver& observer) {
    CreateOutcome outcome;
    plugin_.Version(kHostVersion);
    uint32_t flags = 0;
    plugin_.Init(nullptr, &flags);
    unsigned char item[196] = {};
    unsigned char item16[772] = {};
    for (int16_t index = 0; index < 2; ++index) {
        plugin_.Enumerate(nullptr, index, item);
        plugin_.EnumerateUtf16(nullptr, index, item16);
    }

    plugin_.GetMenuStatus(0);
    const memhost::RegionRecord sourceRecord = RecordOf(source);
    host_.SetCurrentRegion(source.firstSlot, source.firstMeasure, source.lastSlot,
                           source.lastMeasure);
    std::size_t boxes = stand_in::MessageBoxes().size();
    plugin_.Invoke(kHostWindow, 0, sourceRecord.data());
    outcome.message = NewBoxText(boxes);
    if (!outcome.message.empty()) return outcome;
    if (plugin_.GetMenuStatus(1) == 0) {
        outcome.message = "SET SOURCE did not accept the source selection.";
        return outcome;
    }

    host_.SetCurrentRegion(1, 1, slots, measures);
    for (const Selection& region : destination) {
        const memhost::RegionRecord destinationRecord = RecordOf(region);
        boxes = stand_in::MessageBoxes().size();
        outcome.created = plugin_.Invoke(kHostWindow, 1, destinationRecord.data(), &observer) != 0;
        outcome.message = NewBoxText(boxes);
        if (!outcome.created) {
            if (outcome.message.empty()) outcome.message = "CREATE did not run.";
            return outcome;
        }
        outcome.message.clear();
    }
    return outcome;
}

}  // namespace qz::musicxml
