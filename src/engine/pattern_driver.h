// The CREATE driver: lays the stored source's rhythm over every staff, layer and repeat of a
// validated destination.
#pragma once

#include <cstdint>

#include "engine/create_observer.h"
#include "framework/music_region.h"
#include "host/binding.h"

namespace qz::engine {

// Written into the message buffer when layer 1 of the source holds no entry.
inline constexpr const char* kNoSourceEntriesMessage =
    "Source region didn't contain any entries in layer 1.";

// Works through `host` (borrowed for the call). Loads layer 1 (index 0) of the source once, then for every staff slot of `destination`, every
// layer the host reports and every stretch of destination measures as long as the source,
// rewrites the stretch when its rhythm can take the source's. `hostVersion` is the version the
// host announced. Returns true when the run completed, changed or not; false, with
// kNoSourceEntriesMessage written into `messageBuffer` (at least 293 bytes, owned by the caller),
// when the source holds no entry. Nothing in the document changes in that case. `observer`
// (borrowed, may be null) is asked about and told of every repeat (create_observer.h).
bool CopyPatternToRegion(host::HostBinding& host, const FCMusicRegion& source,
                         const FCMusicRegion& destination, uint32_t hostVersion,
                         char* messageBuffer, CreateObserver* observer = nullptr);

}  // namespace qz::engine
