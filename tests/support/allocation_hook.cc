#include "allocation_hook.h"

#include <cstdlib>
#include <new>

#include "hostsim/sim_host.h"

namespace allocation_hook {
namespace {

long long g_count = 0;
bool g_armed = false;
long long g_nth = 0;
bool g_persistent = false;
long long g_seen = 0;
long long g_failed = 0;

// Counts one allocation asked for; true when it must fail.
bool CountAndDecide() {
    if (hostsim::InsideHostCall()) return false;
    ++g_count;
    if (!g_armed) return false;
    ++g_seen;
    const bool fail = g_seen == g_nth || (g_persistent && g_seen > g_nth);
    if (fail) ++g_failed;
    return fail;
}

void* Allocate(std::size_t size) {
    if (CountAndDecide()) return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

void* AllocateAligned(std::size_t size, std::align_val_t alignment) {
    if (CountAndDecide()) return nullptr;
    const std::size_t align = static_cast<std::size_t>(alignment);
    const std::size_t rounded = ((size == 0 ? 1 : size) + align - 1) / align * align;
    return std::aligned_alloc(align, rounded);
}

void* OrThrow(void* p) {
    if (p == nullptr) throw std::bad_alloc();
    return p;
}

}  // namespace

long long Count() { return g_count; }
void ResetCount() { g_count = 0; }

ScopedFailure::ScopedFailure(long long nth, bool persistent) {
    g_nth = nth;
    g_persistent = persistent;
    g_seen = 0;
    g_failed = 0;
    g_armed = true;
}

ScopedFailure::~ScopedFailure() { g_armed = false; }
long long ScopedFailure::Seen() const { return g_seen; }
long long ScopedFailure::Failed() const { return g_failed; }

}  // namespace allocation_hook

using allocation_hook::Allocate;
using allocation_hook::AllocateAligned;
using allocation_hook::OrThrow;

void* operator new(std::size_t size) { return OrThrow(Allocate(size)); }
void* operator new[](std::size_t size) { return OrThrow(Allocate(size)); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }
void* operator new(std::size_t size, std::align_val_t a) { return OrThrow(AllocateAligned(size, a)); }
void* operator new[](std::size_t size, std::align_val_t a) { return OrThrow(AllocateAligned(size, a)); }
void* operator new(std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, a);
}
void* operator new[](std::size_t size, std::align_val_t a, const std::nothrow_t&) noexcept {
    return AllocateAligned(size, a);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
