// One frame handed out by the simulator: its header, its two guarded arrays and its place.
//
// The simulator keeps its own copy of the array pointers and counts, so that a plug-in that
// changes the header is caught (HeaderIntact) instead of steering the host into wild memory.
#pragma once

#include <memory>
#include <string>

#include "hostsim/guarded_array.h"
#include "hostsim/sim_host.h"

namespace hostsim {

struct SimHost::Frame {
    static constexpr std::size_t kHeaderBytes = 48;  // longer than the part the plug-in reads

    std::unique_ptr<unsigned char[]> header;
    GuardedArray entries;
    GuardedArray details;
    int entryCount = 0;
    int detailCount = 0;
    Document* document = nullptr;  // the document current at load; saved into
    int instrument = 0;
    int scope = 0;
    int slot = 0;
    int measure = 0;
    int layer = 0;
    FrameDefect defect = FrameDefect::kNone;  // how the header misstates the frame
    bool skipSave = false;                    // the header's skipSave is 1

    qz::host::TGF* Tgf() { return reinterpret_cast<qz::host::TGF*>(header.get()); }
    std::string Place() const { return PlaceText(slot, measure, layer); }

    // What the header says, malformed as `defect` asks (the real arrays stay behind it).
    unsigned char* HeaderEntries();
    unsigned char* HeaderDetails();
    int HeaderEntryCount() const;
    int HeaderDetailCount() const;

    // Writes the whole header: place, skipSave, both pointers and counts.
    void WriteHeader();
    // Points the header at `entries` again after the array moved.
    void WriteEntriesField();
    // True when the plug-in left both pointers and counts as the simulator wrote them.
    bool HeaderIntact() const;
    unsigned char* EntryAt(int i) { return entries.Data() + static_cast<std::size_t>(i) * qz::host::exentry::kSize; }
};

}  // namespace hostsim
