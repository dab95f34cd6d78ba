#include "shell/plugin.h"

#include <cstring>

#include "shell/command_table.h"
#include "shell/ui.h"

namespace qz::shell {

uint32_t Plugin::Version(uint32_t version) {
    hostVersion_ = version;
    return version;
}

int16_t Plugin::Init(void* context, uint32_t* flags) {
    (void)context;
    if (flags == nullptr) return 1;
    // The host's word may sit at any address; read and write it bytewise.
    uint32_t word = 0;
    std::memcpy(&word, flags, sizeof word);
    word |= kInitFlag;
    std::memcpy(flags, &word, sizeof word);
    return 1;
}

int16_t Plugin::Enumerate(void* context, int16_t index, void* item) {
    (void)context;
    return FillMenuItem(index, item) ? 1 : 0;
}

int16_t Plugin::EnumerateUtf16(void* context, int16_t index, void* item) {
    (void)context;
    return FillMenuItem16(index, item) ? 1 : 0;
}

int16_t Plugin::GetMenuStatus(int16_t index) const {
    if (index == kCreateIndex) return state_.sourceRegionValid ? 1 : 0;
    return 1;
}

int16_t Plugin::Invoke(void* window, int16_t index, const void* region,
                       engine::CreateObserver* observer) {
    const FCUI ui(window);
    char messageBuffer[kMessageBufferSize] = {};
    if (index == kSetSourceIndex) {
        RunSetSource(binding_, state_, ui, region, messageBuffer);
        return 0;
    }
    if (!state_.sourceRegionValid) return 0;
    return RunCreate(binding_, state_, hostVersion_, ui, region, messageBuffer, observer) ? 1 : 0;
}

}  // namespace qz::shell
