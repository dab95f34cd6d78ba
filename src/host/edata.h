// Extended data through the binding, with the translation of legacy "pf" tags into the host's
// 12-byte "ot" records.
//
// The host is asked only for ot records when a legacy tag is translated; every other tag goes
// straight through. Keys and buffers are owned by the caller.
#pragma once

#include <cstdint>

namespace qz::host {

class HostBinding;

// FX_LoadEData with the legacy-tag translation. Result: non-zero on success.
int TranslatedLoadEData(HostBinding& host, uint32_t tag, void* key, void* buffer,
                        uint32_t* size, uint32_t version);

// FX_SaveEData with the legacy-tag translation (only for version >= 0x08000000).
int TranslatedSaveEData(HostBinding& host, uint32_t tag, const void* key, const void* buffer,
                        int32_t size, uint32_t version);

}  // namespace qz::host
