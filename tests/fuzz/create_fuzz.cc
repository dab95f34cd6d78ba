// Fuzz target: CREATE over a score whose every stored byte comes from the input.
//
// The input decides the score's shape (measures, source length, meters, shown layers) and then
// supplies raw 146-byte entry records for the source and the destination, and raw articulation
// and detail records of any size. The plug-in must treat all of it as the host's untrusted data:
// the run may rewrite anything, but it must not crash, read or write outside a record (the
// sanitizers and the simulator's guard bytes tell), leak a frame or free one twice.
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <vector>

#include "engine/pattern_driver.h"
#include "framework/music_region.h"
#include "host/binding.h"
#include "host/exentry.h"
#include "memhost/region_record.h"
#include "hostsim/sim_host.h"

namespace {

// Hands out the input's bytes in order, then zeros.
class Bytes {
public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    int Below(int bound) { return Next() % bound; }
    std::vector<unsigned char> Take(size_t n) {
        std::vector<unsigned char> out(n);
        for (unsigned char& b : out) b = Next();
        return out;
    }
    bool Empty() const { return at_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

void FillPlace(Bytes& in, hostsim::Document& doc, int instrument, int measure, int layer) {
    const int entries = in.Below(6);
    for (int i = 0; i < entries; ++i) {
        hostsim::Record record = in.Take(qz::host::exentry::kSize);
        const uint32_t number = qz::host::exentry::EntryNumber(record.data()) % 64;
        qz::host::exentry::SetEntryNumber(record.data(), number);
        doc.Entries(instrument, measure, layer).push_back(record);
        // Attached records keyed by that number: articulations and details of odd sizes.
        const int attached = in.Below(3);
        for (int k = 0; k < attached; ++k) {
            const uint32_t tag = in.Next() % 2 ? hostsim::kArticulationTag : hostsim::kDetailTag;
            const int16_t index = static_cast<int16_t>(in.Below(3));
            doc.EData()[{tag, number, index}] = in.Take(1 + static_cast<size_t>(in.Below(40)));
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Bytes in(data, size);
    hostsim::SimHost sim;
    hostsim::Document& doc = sim.AddDocument();
    const int measures = 1 + in.Below(4);
    const int sourceLength = 1 + in.Below(2);
    doc.AddStaff(1);
    doc.AddStaff(2);
    doc.SetMeasureCount(measures + sourceLength);
    for (int m = 1; m <= measures + sourceLength; ++m)
        doc.SetTimeSignature(m, {1 + in.Below(6), in.Next() % 2 ? 4 : 8});
    for (int layer = 0; layer < 4; ++layer) sim.SetLayerShown(layer, in.Below(4) != 0);
    sim.SetCreateCompletesIndex(in.Next() % 2 == 0);

    for (int m = 1; m <= sourceLength; ++m) FillPlace(in, doc, 1, m, 0);
    for (int m = 1; m <= measures; ++m)
        for (int layer = 0; layer < 2; ++layer) FillPlace(in, doc, 2, m, layer);

    qz::host::HostBinding binding(sim);
    sim.SetCurrentRegion(2, 1, 2, measures + sourceLength);
    qz::FCMusicRegion source;
    source.SetFromRecord(binding, hostsim::MakeRegionRecord(1, 1, 1, sourceLength).data());
    qz::FCMusicRegion destination;
    destination.SetFromRecord(binding, hostsim::MakeRegionRecord(2, 1, 2, measures).data());
    char message[512] = {};
    qz::engine::CopyPatternToRegion(binding, source, destination, in.Next() % 2 ? 0x11000000 : 0x19000000,
                                    message);

    sim.CheckNoLeaks();
    if (!sim.Violations().empty()) {
        for (const std::string& v : sim.Violations()) std::fprintf(stderr, "%s\n", v.c_str());
        std::abort();
    }
    return 0;
}
