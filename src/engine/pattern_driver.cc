#include "engine/pattern_driver.h"

#include <cstring>

namespace qz::engine {

// Placeholder until the engine lands: the driver reports a completed run and changes nothing.
bool CopyPatternToRegion(const FCMusicRegion& source, const FCMusicRegion& destination,
                         uint32_t hostVersion, char* messageBuffer) {
    (void)source;
    (void)destination;
    (void)hostVersion;
    (void)messageBuffer;
    return true;
}

}  // namespace qz::engine
