#include "shell/command_flow.h"

#include <cstring>
#include <string_view>

#include "engine/pattern_driver.h"
#include "host/binding.h"

namespace qz::shell {
namespace {

constexpr bool FitsBuffer(std::string_view message) {
    return message.size() < kMinMessageBufferSize;
}
static_assert(FitsBuffer(kPartialSourceMessage) && FitsBuffer(kMultipleStavesMessage) &&
              FitsBuffer(kPartialDestinationMessage) && FitsBuffer(kDestinationLengthMessage) &&
              FitsBuffer(kOtherDocumentMessage) && FitsBuffer(engine::kNoSourceEntriesMessage));

bool Fail(char* messageBuffer, const char* message) {
    std::memcpy(messageBuffer, message, std::strlen(message) + 1);
    return false;
}

bool IsSelectable(const FCMusicRegion& region) {
    return region.IsEmpty() || region.IsWholeMeasures();
}

// The host's record, or an empty region of document 0 when there is none.
void FillFromHost(host::HostBinding& host, FCMusicRegion& region, const void* record) {
    if (record != nullptr) {
        region.SetFromRecord(host, record);
    } else {
        region.CopyFrom(FCMusicRegion{});
    }
}

}  // namespace

bool CheckSourceRegion(const FCMusicRegion& sourceRegion, char* messageBuffer) {
    if (!IsSelectable(sourceRegion)) return Fail(messageBuffer, kPartialSourceMessage);
    const int32_t staves = int32_t{sourceRegion.GetEndSlot()} - sourceRegion.GetStartSlot() + 1;
    if (staves != 1) return Fail(messageBuffer, kMultipleStavesMessage);
    return true;
}

bool CheckDestinationRegion(host::HostBinding& host, const FCMusicRegion& destination,
                            const FCMusicRegion& sourceRegion, char* messageBuffer) {
    if (!IsSelectable(destination)) return Fail(messageBuffer, kPartialDestinationMessage);
    const int32_t destinationCount = destination.CalcMeasureCount();
    const int32_t sourceCount = sourceRegion.CalcMeasureCount();
    // An inverted region counts 0 or less: never a divisor, and no repeat to rewrite.
    if (sourceCount < 1 || destinationCount < 1 || destinationCount % sourceCount != 0)
        return Fail(messageBuffer, kDestinationLengthMessage);
    const auto currentDocument = static_cast<int16_t>(host.GetCurrentEnigmaDocument());
    if (currentDocument != sourceRegion.GetDocumentId())
        return Fail(messageBuffer, kOtherDocumentMessage);
    return true;
}

void RunSetSource(host::HostBinding& host, SourceState& state, const FCUI& ui, const void* region,
                  char* messageBuffer) {
    FillFromHost(host, state.sourceRegion, region);
    state.sourceRegionValid = CheckSourceRegion(state.sourceRegion, messageBuffer);
    if (!state.sourceRegionValid) ui.ShowError(messageBuffer, kSetSourceTitle);
}

bool RunCreate(host::HostBinding& host, const SourceState& state, uint32_t hostVersion,
               const FCUI& ui, const void* region, char* messageBuffer,
               engine::CreateObserver* observer) {
    FCMusicRegion destination;
    FillFromHost(host, destination, region);
    if (CheckDestinationRegion(host, destination, state.sourceRegion, messageBuffer) &&
        engine::CopyPatternToRegion(host, state.sourceRegion, destination, hostVersion,
                                    messageBuffer, observer))
        return true;
    ui.ShowError(messageBuffer, kCreateTitle);
    return false;
}

}  // namespace qz::shell
