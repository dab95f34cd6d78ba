// The entry detail records that a frame's detail table lists for an entry.
#pragma once

#include "framework/note_entry.h"

namespace qz {

// The 30-byte payload of `entry`'s detail record with sub-index `sub`, looked up in its frame's
// detail table by the entry's number (the first matching record), or null when there is none,
// the entry has no frame or no number. Table records naming an entry outside the frame are
// ignored. The payload lies in the frame: valid while the entry's layer holds it.
const unsigned char* FindDetailPayload(const FCNoteEntry& entry, int sub);

}  // namespace qz
