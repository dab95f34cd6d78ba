// The C signatures of the seventeen FX_ functions that the host executable exports.
//
// The plug-in resolves them by name at run time (binding.h); the host simulator implements them
// with exactly these types. Every call ends with the interface version 0x19000000. 16-bit
// arguments are passed zero-extended from the caller's low 16 bits; 16-bit results are read as
// signed unless a wrapper says otherwise. Pointers are owned as each line says.
#pragma once

#include <cstdint>

#include "host/tgf.h"

namespace qz::host {

// The interface version passed last to every host function, whatever the host announced.
inline constexpr uint32_t kCallVersion = 0x19000000;

extern "C" {
// Frame of (scope, slot, measure, layer), host-owned until FX_FreeTGF; null when there is none.
using FX_LoadTGF_t = TGF* (*)(uint16_t slotScope, uint16_t slot, uint16_t measure,
                              uint16_t layer, uint16_t requireFrame, uint32_t version);
// Writes a frame back to the document, numbering its unnumbered entries. Non-zero: saved.
using FX_SaveTGF_t = int16_t (*)(TGF* frame, uint32_t version);
// Gives a frame back to the host. The pointer is dead afterwards.
using FX_FreeTGF_t = int16_t (*)(TGF* frame, uint32_t version);
// Inserts / deletes `count` entries at index `where` (always 0 here); may move `entries`.
using FX_InsertEXENTRY_t = int16_t (*)(TGF* frame, uint16_t where, uint16_t count,
                                       uint32_t version);
using FX_DeleteEXENTRY_t = int16_t (*)(TGF* frame, uint16_t where, uint16_t count,
                                       uint32_t version);
// Extended data. Key and buffer are owned by the caller; `size` is in: room, out: record size.
using FX_LoadEData_t = int16_t (*)(uint32_t tag, void* key, void* buffer, uint32_t* size,
                                   uint32_t version);
using FX_SaveEData_t = int16_t (*)(uint32_t tag, const void* key, const void* buffer,
                                   int32_t size, uint32_t version);
// Creates a record; the host may complete the key's index word.
using FX_CreateEData_t = int16_t (*)(uint32_t tag, void* key, const void* buffer, int32_t size,
                                     uint32_t version);
using FX_DeleteEData_t = int16_t (*)(uint32_t tag, const void* key, uint32_t version);
// Advances `key` in place to the next record of the tag, in key order. Non-zero: there was one.
using FX_NextEData_t = int16_t (*)(uint32_t tag, void* key, void* unused1, void* unused2,
                                   uint32_t version);
using FX_SlotToInst_t = int16_t (*)(uint16_t slot, uint16_t slotScope, uint32_t version);
using FX_InstToSlot_t = int16_t (*)(uint16_t instrument, uint16_t zero, uint32_t version);
// Fills the 20-byte ERegion of the current selection; the two scratch areas are the host's.
using FX_GetCurERegions_t = int16_t (*)(void* scratch8, void* scratch24, void* region,
                                        uint32_t version);
// Duration of a frame's measure (the frame may be null), in the host's position units.
using FX_GetTGFDuration_t = int32_t (*)(const TGF* frame, uint32_t version);
using FX_GetShowLayer_t = int16_t (*)(uint16_t layer, uint32_t version);
using FX_GetCurrentEnigmaDocument_t = int16_t (*)(uint32_t version);
using FX_GetMaxLayers_t = int16_t (*)(uint32_t version);
}

}  // namespace qz::host
