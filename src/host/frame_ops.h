// Operations on whole frames.
#pragma once

#include "host/tgf.h"

namespace qz::host {

class HostBinding;

// Brings every entry of `frame` into the shape the host requires before a save, insert or
// delete: distinct non-zero note ids, the id copied into noteFlags bits 16..20, unused note
// records zeroed, and a single placeholder note on an entry without notes. A stored noteCount
// outside 0..12 is clamped into that range first. The binding runs it; nothing else needs to.
// A null frame is left alone.
void FixUpFrame(TGF* frame);

// Replaces all entries of `destination` by copies of the entries of `source` (both loaded,
// host-owned frames): deletes the destination's entries, inserts as many as the source holds,
// and copies each record over, keeping the number the host gave the inserted entry and clearing
// the attached-data markers. When the host inserts fewer entries than asked, only as many are
// copied as the destination holds; when it deletes fewer than all, nothing is inserted or
// copied. Returns the number of entries copied.
int CopyFrameEntries(HostBinding& host, const TGF* source, TGF* destination);

}  // namespace qz::host
