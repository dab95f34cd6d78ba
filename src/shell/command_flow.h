// The two commands, SET SOURCE and CREATE, the checks of their regions and every message they
// show.
//
// SET SOURCE stores the host's selection as the rhythm source and decides whether it is usable;
// CREATE checks the selection it receives against the stored source and hands both to the
// pattern driver. A refused command writes one complete message into the caller's message
// buffer and shows it in one error box; it never changes the document. Threading: the host's UI
// thread, inside one FinaleExtensionInvoke call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/create_observer.h"
#include "framework/music_region.h"
#include "host/binding.h"
#include "shell/ui.h"

namespace qz::shell {

// The smallest message buffer a command may be given: the longest message and its terminator.
inline constexpr std::size_t kMinMessageBufferSize = 293;

inline constexpr const char* kPartialSourceMessage =
    "Partial measure selection are not allowed for this plug-in.";
inline constexpr const char* kMultipleStavesMessage =
    "Only one individual staff is allowed as the selected source region.";
inline constexpr const char* kPartialDestinationMessage =
    "Partial selections are not allowed for this plug-in.";
inline constexpr const char* kDestinationLengthMessage =
    "The destination region must have the same number of measures as the source region. "
    "Alternatively, the source region should fit exactly as multiple regions in the "
    "destination.\n\n(Example: if source region is 2 measures and destination is 6 measures, it "
    "will produce a pattern repeated 3 times.)";
inline constexpr const char* kOtherDocumentMessage =
    "The source region must belong to the current document.";

inline constexpr const char* kSetSourceTitle = "Source Selection Error";
inline constexpr const char* kCreateTitle = "QZ Motifgraft Error";

// The state that links the two commands; it lives from load to unload.
struct SourceState {
    // The selection of the latest SET SOURCE, with the document then current; empty at load.
    FCMusicRegion sourceRegion;
    // Whether that selection passed CheckSourceRegion; CREATE runs only while it is true.
    bool sourceRegionValid = false;
};

// Every message buffer below is owned by the caller, holds at least kMinMessageBufferSize
// bytes, and receives a complete, zero-terminated message only when a check fails. `host` is
// the host the command runs against, borrowed for the call.

// The source must be empty or whole measures, and on one staff slot.
bool CheckSourceRegion(const FCMusicRegion& sourceRegion, char* messageBuffer);

// The destination must be empty or whole measures, count a whole multiple of the source's
// measures, and the source must have been taken in the current document (FX_
// GetCurrentEnigmaDocument). A source or destination that counts fewer than one measure (its end
// measure before its start) fails the length test.
bool CheckDestinationRegion(host::HostBinding& host, const FCMusicRegion& destination,
                            const FCMusicRegion& sourceRegion, char* messageBuffer);

// SET SOURCE: stores the host's record `region` (20 bytes, owned by the host) with the current
// document in state.sourceRegion, whether it passes or not, and sets state.sourceRegionValid
// from CheckSourceRegion; a refusal is shown through `ui`. A null `region` is stored as an
// empty region of document 0, without asking the host.
void RunSetSource(host::HostBinding& host, SourceState& state, const FCUI& ui, const void* region,
                  char* messageBuffer);

// CREATE, to be run only while state.sourceRegionValid: builds the destination from `region`
// (may be null: an empty destination of document 0, without asking the host), checks it and runs
// the pattern driver with `hostVersion` and `observer` (may be null). True when the driver
// completed; false after the refusal has been shown through `ui`. The state is left as it was.
bool RunCreate(host::HostBinding& host, const SourceState& state, uint32_t hostVersion,
               const FCUI& ui, const void* region, char* messageBuffer,
               engine::CreateObserver* observer = nullptr);

}  // namespace qz::shell
