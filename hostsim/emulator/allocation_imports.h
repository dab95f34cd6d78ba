// The plug-in's heap as the emulator sees it: the loaded DLL's import-table entries for malloc,
// calloc, realloc and free are pointed at counting wrappers, which can refuse one allocation or
// every one from some point on.
//
// Only the DLL's own calls go through its import table, including those its statically linked C
// and C++ runtimes make for it (exception objects, per-thread state); the emulator's and the
// simulated host's allocations are neither counted nor refused. A refused call answers null as
// the C runtime does when memory runs out (realloc then leaves the block as it was); free always
// frees.
//
// Threading: the emulator's one thread. Nothing here is locked.
#pragma once

#include <windows.h>

#include <string>

namespace emulator::allocation_imports {

// Patches the import table of the loaded `module`. Answers "" when all four were found and
// hooked, otherwise what is missing (the table is then left as it was).
std::string Hook(HMODULE module);

// The allocations (malloc, calloc, realloc to a non-zero size) since the last Arm or Disarm.
long long Count();
// How many of them were refused.
long long Refused();
// Blocks handed out minus blocks given back since Hook (also blocks from before it): compared
// between two moments, whether the DLL holds more heap blocks than before.
long long LiveBlocks();

// Restarts the counts; the `nth` allocation from now on (1-based) is refused, and with
// `persistent` every later one too.
void Arm(long long nth, bool persistent);
// Restarts the counts and refuses nothing.
void Disarm();

}  // namespace emulator::allocation_imports
