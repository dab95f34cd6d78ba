// The entry detail records that a frame's detail table lists for an entry, and their copy to
// another entry as extended data of tag 0x45035450.
#pragma once

#include "framework/note_entry.h"

namespace qz {

// Saves the detail records of `from` (looked up in its frame's detail table by its entry number)
// under the number of `to`, with their sub-indexes 0, 1, 2, ... up to the first missing one.
// Table records naming an entry outside the frame are ignored. Returns how many the host
// accepted; nothing is saved when either entry has no number.
int CopyDetailRecords(const FCNoteEntry& from, const FCNoteEntry& to);

}  // namespace qz
