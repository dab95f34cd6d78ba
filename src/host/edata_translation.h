// The two ways a legacy record is assembled from ot records (tables in edata_tables.h).
//
// Used by the FX_LoadEData / FX_SaveEData wrappers (edata.cc) once they know which table
// applies. The host is asked only for ot records, through the untranslated calls of
// HostBinding, with the caller's version. A translation that needs a host function the host
// does not export answers 0 and writes nothing (size queries need none). Each ot record is read
// into a 12-byte scratch record that is zeroed first, so a failed single load yields zeros,
// never unwritten memory. The results of single ot loads and saves are not checked: a
// translation succeeds as a whole once it has begun.
#pragma once

#include <cstdint>

#include "host/edata_tables.h"

namespace qz::host {
class HostBinding;
}

namespace qz::host::edata {

// Loads the legacy record of `map` into `buffer`. `size` (in: the room in the buffer, out: the
// record's size) is owned by the caller. Null size: 0. Null buffer: a size query, *size =
// map.reach and 1. Room below map.reach: 0, nothing written. Otherwise every distinct ot record
// is loaded once, in the order the rows first name it, *size = map.reach and 1.
int LoadFieldMap(HostBinding& host, const FieldMap& map, void* buffer, uint32_t* size,
                 uint32_t version);

// Saves the legacy record in `buffer` (`length` bytes) through `map`: each ot record is loaded,
// the fields applied, and it is saved only when a field changed it. Null buffer or length below
// map.reach: 0 and no host call. Otherwise 1.
int SaveFieldMap(HostBinding& host, const FieldMap& map, const void* buffer, int32_t length,
                 uint32_t version);

// Loads `rule.count` ot records with keys (-2, first), (-2, first + 1), ... into `buffer`,
// 12 bytes each. Null size: 0. Null buffer: *size = 12 * count and 1. Room below that: 0,
// nothing written. Otherwise each record's reported bytes (at most 12) are copied, *size =
// 12 * count and 1.
int LoadRecordArray(HostBinding& host, const RecordArrayRule& rule, int16_t first, void* buffer,
                    uint32_t* size, uint32_t version);

// Saves the 12-byte records of `buffer` as the rule's ot records. Null buffer or length below
// 12 * count: 0 and no host call. Otherwise 1.
int SaveRecordArray(HostBinding& host, const RecordArrayRule& rule, int16_t first,
                    const void* buffer, int32_t length, uint32_t version);

}  // namespace qz::host::edata
