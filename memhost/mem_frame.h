// One frame handed out by the in-memory host: its header, its two arrays and its place.
//
// The host keeps its own copy of each array's place and count and works on those: a header
// the plug-in changed never steers the host into memory that is not the frame's.
#pragma once

#include <cstddef>
#include <memory>

#include "host/exentry.h"
#include "host/tgf.h"
#include "memhost/document.h"

namespace qz::memhost {

// `size` bytes at `data`, which lies inside `block` (at its start unless the host that made
// the array placed it otherwise).
struct FrameArray {
    std::unique_ptr<unsigned char[]> block;
    unsigned char* data = nullptr;
    std::size_t size = 0;
};

struct Frame {
    static constexpr std::size_t kHeaderBytes = 48;  // longer than the part the plug-in reads

    std::unique_ptr<unsigned char[]> header;
    FrameArray entries;
    FrameArray details;
    int entryCount = 0;
    int detailCount = 0;
    Document* document = nullptr;  // the document current at load; saved into
    int instrument = 0;
    int scope = 0;
    int slot = 0;
    int measure = 0;
    int layer = 0;
    bool skipSave = false;  // the header's skipSave is 1

    qz::host::TGF* Tgf() { return reinterpret_cast<qz::host::TGF*>(header.get()); }
    unsigned char* EntryAt(int i) {
        return entries.data + static_cast<std::size_t>(i) * qz::host::exentry::kSize;
    }

    // Writes the whole header: place, skipSave, both pointers and counts.
    void WriteHeader();
    // Points the header at `entries` again after the array moved.
    void WriteEntriesField();
};

}  // namespace qz::memhost
