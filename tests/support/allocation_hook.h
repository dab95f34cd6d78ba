// A replacement of the global allocator for tests, fuzz targets and benchmarks: it counts the
// plug-in's allocations and can make one of them, or every one from some point on, fail.
//
// Linking this library replaces every form of global operator new and delete (plain, array,
// nothrow, aligned, sized) in the program; the replacement is pulled in by any use of the
// functions below. Allocations made while the simulated host runs one of its FX_ functions
// (hostsim::InsideHostCall) are the host's, not the plug-in's: they are neither counted nor
// failed. A failed throwing form throws std::bad_alloc; a failed nothrow form answers null.
//
// Threading: one thread, like the host. Nothing here is locked.
#pragma once

namespace allocation_hook {

// The plug-in's allocations since the program started or the last ResetCount.
long long Count();
void ResetCount();

// While alive, the `nth` allocation of the plug-in (1-based, counted from construction) fails,
// and with `persistent` every later one too. Only one may be alive at a time; destruction
// disarms it.
class ScopedFailure {
public:
    ScopedFailure(long long nth, bool persistent);
    ~ScopedFailure();
    ScopedFailure(const ScopedFailure&) = delete;
    ScopedFailure& operator=(const ScopedFailure&) = delete;

    // The plug-in's allocations asked for since construction, failed ones included.
    long long Seen() const;
    // How many of them failed.
    long long Failed() const;
};

}  // namespace allocation_hook
