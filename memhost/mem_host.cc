// MemHost: documents, what the host shows, and the frames handed out.
#include "memhost/mem_host.h"

#include <algorithm>

#include "host/eregion.h"
#include "memhost/mem_frame.h"
#include "memhost/region_record.h"

namespace qz::memhost {

MemHost::MemHost() { SetCurrentRegion(0, 0, 0, 0, 0, 0); }

MemHost::~MemHost() = default;

// --- documents -------------------------------------------------------------------------------

Document& MemHost::AddDocument() {
    documents_.push_back(std::make_unique<Document>(static_cast<int16_t>(documents_.size() + 1)));
    if (currentDocument_ == 0) currentDocument_ = documents_.back()->Id();
    return *documents_.back();
}

Document& MemHost::CurrentDocument() {
    if (Document* d = CurrentOrNull()) return *d;
    return AddDocument();
}

Document* MemHost::FindDocument(int id) {
    if (id < 1 || id > static_cast<int>(documents_.size())) return nullptr;
    return documents_[static_cast<std::size_t>(id - 1)].get();
}

void MemHost::SetCurrentDocument(int id) {
    if (FindDocument(id) != nullptr) currentDocument_ = id;
}

Document* MemHost::CurrentOrNull() { return FindDocument(currentDocument_); }

// --- what the host shows ---------------------------------------------------------------------

void MemHost::SetCurrentRegion(int startSlot, int startMeasure, int endSlot, int endMeasure,
                               int32_t startPosition, int32_t endPosition,
                               int16_t startSlotScope, int16_t endSlotScope) {
    const RegionRecord record = MakeRegionRecord(startSlot, startMeasure, endSlot, endMeasure,
                                                 startPosition, endPosition, startSlotScope,
                                                 endSlotScope);
    std::copy(record.begin(), record.end(), region_);
}

void MemHost::SetCurrentRegionRecord(const unsigned char (&record)[20]) {
    std::copy(record, record + qz::host::eregion::kSize, region_);
}

void MemHost::SetLayerShown(int layer, bool shown) {
    if (layer >= 0 && layer < 4) shown_[layer] = shown;
}

void MemHost::SetMaxLayers(int count) { maxLayers_ = count; }

void MemHost::MarkSkipSave(int slot, int measure, int layer) {
    skipSaveFrames_.insert({slot, measure, layer});
}

bool MemHost::Provides(qz::host::HostFunction) { return true; }

// --- frames handed out -----------------------------------------------------------------------

FrameArray MemHost::NewArray(std::size_t bytes) {
    FrameArray array;
    array.block.reset(new unsigned char[std::max<std::size_t>(bytes, 1)]());
    array.data = array.block.get();
    array.size = bytes;
    return array;
}

Frame* MemHost::FindFrame(const qz::host::TGF* frame) {
    auto it = frames_.find(frame);
    return it == frames_.end() ? nullptr : it->second.get();
}

std::vector<qz::host::TGF*> MemHost::FramesOut() const {
    std::vector<qz::host::TGF*> out;
    for (const auto& [tgf, frame] : frames_) out.push_back(frame->Tgf());
    return out;
}

}  // namespace qz::memhost
