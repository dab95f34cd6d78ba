// Plugin: the plug-in's whole module-level state and one method per exported function.
//
// exports.cc holds the single instance that lives from load to unload, bound to the real host,
// and forwards each export to it; a test builds its own instance over the simulator to start
// from the state of a freshly loaded plug-in.
// The methods take the exports' arguments already narrowed to their 16-bit values. Threading:
// the host calls one method at a time on its UI thread; nothing is locked.
#pragma once

#include <cstddef>
#include <cstdint>

#include "framework/music_region.h"
#include "host/binding.h"
#include "host/host_api.h"
#include "shell/command_flow.h"

namespace qz::shell {

// The version the plug-in assumes until the host announces its own.
inline constexpr uint32_t kDefaultHostVersion = 0x19000000;

// Bit 0 of the word that FinaleExtensionInit receives.
inline constexpr uint32_t kInitFlag = 0x00000001;

// Bytes of the message buffer each Invoke provides to its command.
inline constexpr std::size_t kMessageBufferSize = 512;
static_assert(kMessageBufferSize >= kMinMessageBufferSize);

class Plugin {
public:
    // Every command reaches the host through `host` (borrowed: it must outlive the plug-in).
    explicit Plugin(host::HostApi& host) : binding_(host) {}
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // Stores the host's version (read by the engine) and returns it.
    uint32_t Version(uint32_t version);
    // Sets bit 0 of the host's word at `flags` (host-owned; null: nothing written) and returns 1.
    // `context` is ignored.
    int16_t Init(void* context, uint32_t* flags);
    // Fill the host's ExtensionMenuItem / ExtensionMenuItem16 at `item` (host-owned) with the
    // command of `index`. 1 for index 0 or 1; 0, with nothing written, otherwise or for a null
    // `item`. `context` is ignored.
    int16_t Enumerate(void* context, int16_t index, void* item);
    int16_t EnumerateUtf16(void* context, int16_t index, void* item);
    // 0 or 1 for CREATE (index 1): whether a valid source is stored; 1 for every other index.
    int16_t GetMenuStatus(int16_t index) const;
    // Runs SET SOURCE (index 0; result 0) or CREATE (any other index; 1 when it completed, 0
    // when it was refused or no valid source is stored, the latter without any host call).
    // `window` is the host's window (owner of any error box); `region` the host's 20-byte
    // selection record or null. Neither pointer is kept. `observer` (borrowed, may be null) is
    // asked about and told of every repeat of a CREATE; the exports pass none.
    int16_t Invoke(void* window, int16_t index, const void* region,
                   engine::CreateObserver* observer = nullptr);
    // Does nothing; in particular the stored source survives.
    void Terminate() {}

    uint32_t GetHostVersion() const { return hostVersion_; }
    const FCMusicRegion& GetSourceRegion() const { return state_.sourceRegion; }
    bool IsSourceRegionValid() const { return state_.sourceRegionValid; }

private:
    host::HostBinding binding_;
    uint32_t hostVersion_ = kDefaultHostVersion;
    SourceState state_;
};

}  // namespace qz::shell
