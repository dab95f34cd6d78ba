// The seven functions the host calls, exported by their plain names (resources/
// qzmotifgraft64.def).
//
// Each forwards to the plug-in's single module-level state and lets nothing escape: any failure
// reaches the host as the neutral result (0, or no effect). The host calls them one at a time on
// its UI thread. Arguments that are 16-bit for the host are taken as 32-bit words of which only
// the low 16 bits count, because a host built with another compiler leaves the upper bits of
// such an argument undefined. No export keeps a pointer the host passed.
#pragma once

#include <cstdint>

extern "C" {

// Stores the host's interface version and returns it.
uint32_t FinaleExtensionVersion(uint32_t version);

// Sets bit 0 of the host's word at `flags` (host-owned; null: not written), other bits kept.
// `context` is ignored. Returns 1.
int16_t FinaleExtensionInit(void* context, uint32_t* flags);

// Fills the host's ExtensionMenuItem (196 bytes, host-owned) for command `index` (0 SET SOURCE,
// 1 CREATE). 1 when filled; 0 with nothing written for any other index or a null `item`.
int16_t FinaleExtensionEnumerate(void* context, uint32_t index, void* item);

// As FinaleExtensionEnumerate for the UTF-16 ExtensionMenuItem16 (772 bytes, host-owned).
int16_t FinaleExtensionEnumerate_UTF16(void* context, uint32_t index, void* item);

// 1 when command `index` is available: CREATE (1) only while a valid source is stored, every
// other index always.
int16_t FinaleExtensionGetMenuStatus(uint32_t index);

// Runs command `index`: 0 SET SOURCE (returns 0), anything else CREATE (1 when it completed;
// 0 when refused, after its error box, or at once and silently while no valid source is stored).
// `window` is the host's window, owner of any error box; `region` the host's 20-byte selection
// record, or null. Both are the host's and are not kept.
int16_t FinaleExtensionInvoke(void* window, uint32_t index, const void* region);

// Does nothing: the stored source lives until the library is unloaded.
void FinaleExtensionTerminate();

}
