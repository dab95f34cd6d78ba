#include "musicxml/embedded_host.h"

#include "musicxml/text_encoding.h"

#include <cstdint>

#include "hostsim/region_record.h"
#include "hostsim/stand_in_install.h"
#include "platform/native_stand_in.h"
#include "shell/exports.h"

namespace qz::musicxml {
namespace {

namespace stand_in = qz::platform::stand_in;

// The window the embedded host passes as its own; the stand-in knows it as a live window.
void* const kHostWindow = reinterpret_cast<void*>(0x7A11);
constexpr uint32_t kHostVersion = 0x19000000;

hostsim::RegionRecord RecordOf(const Selection& s) {
    return hostsim::MakeRegionRecord(s.firstSlot, s.firstMeasure, s.lastSlot, s.lastMeasure);
}

// The text of the newest error box since `before` boxes, or "" when none was shown.
std::string NewBoxText(std::size_t before) {
    const auto& boxes = stand_in::MessageBoxes();
    if (boxes.size() <= before) return "";
    return Utf16ToUtf8(boxes.back().text);
}

}  // namespace

EmbeddedHost::EmbeddedHost() : document_(&sim_.AddDocument()) {
    sim_.SetLogging(false);  // a long score makes many calls; nothing here reads the log
    hostsim::InstallInStandIn(sim_, "FINALE.EXE");
    stand_in::AddWindow(kHostWindow);
}

EmbeddedHost::~EmbeddedHost() {
    sim_.CheckNoLeaks();
    stand_in::Reset();
}

CreateOutcome EmbeddedHost::Run(const Selection& source, const std::vector<Selection>& destination,
                                int slots, int measures) {
    CreateOutcome outcome;
    FinaleExtensionVersion(kHostVersion);
    uint32_t flags = 0;
    FinaleExtensionInit(nullptr, &flags);
    unsigned char item[196] = {};
    unsigned char item16[772] = {};
    for (uint32_t index = 0; index < 2; ++index) {
        FinaleExtensionEnumerate(nullptr, index, item);
        FinaleExtensionEnumerate_UTF16(nullptr, index, item16);
    }

    FinaleExtensionGetMenuStatus(0);
    const hostsim::RegionRecord sourceRecord = RecordOf(source);
    sim_.SetCurrentRegion(source.firstSlot, source.firstMeasure, source.lastSlot,
                          source.lastMeasure);
    std::size_t boxes = stand_in::MessageBoxes().size();
    FinaleExtensionInvoke(kHostWindow, 0, sourceRecord.data());
    outcome.message = NewBoxText(boxes);
    if (!outcome.message.empty()) return outcome;
    if (FinaleExtensionGetMenuStatus(1) == 0) {
        outcome.message = "SET SOURCE did not accept the source selection.";
        return outcome;
    }

    sim_.SetCurrentRegion(1, 1, slots, measures);
    for (const Selection& region : destination) {
        const hostsim::RegionRecord destinationRecord = RecordOf(region);
        boxes = stand_in::MessageBoxes().size();
        outcome.created = FinaleExtensionInvoke(kHostWindow, 1, destinationRecord.data()) != 0;
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
