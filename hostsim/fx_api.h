// The seventeen FX_ functions of the simulated host, with the C signatures of host_abi.h.
//
// Each forwards to SimHost::Current() (sim_host.h documents the behaviour). With no current
// host, or should the simulator fail inside, a function answers its neutral value (null or 0)
// and writes nothing: nothing the simulator does may unwind into the plug-in. Pointers are
// owned as host_abi.h says; frames are the simulator's from FX_LoadTGF to FX_FreeTGF.
//
// FINALE.EXE exports these functions on Windows, so that the real plug-in finds them with
// GetProcAddress; natively the installer (stand_in_install.h) registers their addresses.
#pragma once

#include <cstdint>
#include <string>

#include "host/host_abi.h"
#include "platform/platform.h"

#if defined(_WIN32)
#define HOSTSIM_EXPORT __declspec(dllexport)
#else
#define HOSTSIM_EXPORT
#endif

extern "C" {
HOSTSIM_EXPORT qz::host::TGF* FX_LoadTGF(uint16_t slotScope, uint16_t slot, uint16_t measure,
                                         uint16_t layer, uint16_t requireFrame, uint32_t version);
HOSTSIM_EXPORT int16_t FX_SaveTGF(qz::host::TGF* frame, uint32_t version);
HOSTSIM_EXPORT int16_t FX_FreeTGF(qz::host::TGF* frame, uint32_t version);
HOSTSIM_EXPORT int16_t FX_InsertEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                                        uint32_t version);
HOSTSIM_EXPORT int16_t FX_DeleteEXENTRY(qz::host::TGF* frame, uint16_t where, uint16_t count,
                                        uint32_t version);
HOSTSIM_EXPORT int16_t FX_LoadEData(uint32_t tag, void* key, void* buffer, uint32_t* size,
                                    uint32_t version);
HOSTSIM_EXPORT int16_t FX_SaveEData(uint32_t tag, const void* key, const void* buffer,
                                    int32_t size, uint32_t version);
HOSTSIM_EXPORT int16_t FX_CreateEData(uint32_t tag, void* key, const void* buffer, int32_t size,
                                      uint32_t version);
HOSTSIM_EXPORT int16_t FX_DeleteEData(uint32_t tag, const void* key, uint32_t version);
HOSTSIM_EXPORT int16_t FX_NextEData(uint32_t tag, void* key, void* unused1, void* unused2,
                                    uint32_t version);
HOSTSIM_EXPORT int16_t FX_SlotToInst(uint16_t slot, uint16_t slotScope, uint32_t version);
HOSTSIM_EXPORT int16_t FX_InstToSlot(uint16_t instrument, uint16_t zero, uint32_t version);
HOSTSIM_EXPORT int16_t FX_GetCurERegions(void* scratch8, void* scratch24, void* region,
                                         uint32_t version);
HOSTSIM_EXPORT int32_t FX_GetTGFDuration(const qz::host::TGF* frame, uint32_t version);
HOSTSIM_EXPORT int16_t FX_GetShowLayer(uint16_t layer, uint32_t version);
HOSTSIM_EXPORT int16_t FX_GetCurrentEnigmaDocument(uint32_t version);
HOSTSIM_EXPORT int16_t FX_GetMaxLayers(uint32_t version);
}

namespace hostsim {

// The address of the FX_ function of this name, as a module would export it; null for any
// other name.
qz::platform::ProcAddress FxFunctionAddress(const std::string& name);

}  // namespace hostsim
