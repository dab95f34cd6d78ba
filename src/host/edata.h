// Extended data through the binding, with the translation of legacy "pf" tags into the host's
// 12-byte "ot" records (tables in edata_tables.h).
//
// For a legacy tag the host is asked only for ot records, never for the legacy tag itself;
// every other tag (every ot tag, edIM and 0x45035450 among them) goes straight to the host,
// whose answer is final. Keys, buffers and size variables are owned by the caller; the
// translation reads only the first 16-bit word of a key (c below, 0 for a null key). Results
// are non-zero on success. A missing host FX_LoadEData / FX_SaveEData gives 0 for every load or
// save that would need it; size queries of legacy tags are answered from the tables. Inside a
// translation the single ot loads and saves are not checked: once begun it returns 1.
// Single-threaded, like the whole binding.
#pragma once

#include <cstdint>

namespace qz::host {

class HostBinding;

// FX_LoadEData. A null buffer asks for the record's size, written to *size.
//   - Tag 0x4F096649 with a buffer: the first 108 bytes are cleared and the host is asked; when
//     it reports failure the result is 1 if it wrote anything there, else 0. When it reports
//     success it is asked once more and that answer is returned. A size variable that is null
//     or gives less than 108 bytes of room gives 0 and nothing is written.
//   - A field-map tag (pfPF only with c = 0): assembled field by field. The size query and a
//     load report the bytes the fields reach (108 for pfSS, whose fields leave gaps, else the
//     sum of their widths); room below that gives 0 and nothing is written.
//   - A record-array tag: 0 when c fails the rule's condition, before any host call; else
//     12 bytes per record, 0 when the room is smaller than the whole array.
int TranslatedLoadEData(HostBinding& host, uint32_t tag, void* key, void* buffer,
                        uint32_t* size, uint32_t version);

// FX_SaveEData. With version below 0x08000000 every tag goes straight to the host. Otherwise a
// field-map tag saves only the ot records whose words change (0 when `size` is below the bytes
// the fields reach), and a record-array tag saves every record of the array (0 when c fails
// the condition or `size` is below 12 per record).
int TranslatedSaveEData(HostBinding& host, uint32_t tag, const void* key, const void* buffer,
                        int32_t size, uint32_t version);

}  // namespace qz::host
