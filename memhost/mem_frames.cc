// MemHost's frame functions: load, save, free, insert, delete and duration.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "host/entry_detail.h"
#include "host/exentry.h"
#include "memhost/mem_frame.h"
#include "memhost/mem_host.h"

namespace qz::memhost {

namespace ex = qz::host::exentry;
namespace ed = qz::host::entry_detail;
namespace tgf = qz::host::tgf;
using qz::host::Store;
using qz::host::StorePointer;
using qz::host::TGF;

namespace {

constexpr int kMaxCount = std::numeric_limits<int16_t>::max();
constexpr int kLayerCount = 4;

std::size_t EntryBytes(int count) { return static_cast<std::size_t>(count) * ex::kSize; }

using DetailRow = std::array<unsigned char, ed::kSize>;

// The detail table: for each numbered entry, its stored detail records in key order.
std::vector<DetailRow> DetailRows(const Document& document, const unsigned char* entries,
                                  int entryCount) {
    std::vector<DetailRow> rows;
    const auto& store = document.EData();
    for (int i = 0; i < entryCount; ++i) {
        uint32_t number = ex::EntryNumber(entries + EntryBytes(i));
        if (number == 0) continue;
        int64_t first = KeyNumber(number);
        for (auto it = store.lower_bound({kDetailTag, first, std::numeric_limits<int64_t>::min()});
             it != store.end() && it->first.tag == kDetailTag && it->first.first == first; ++it) {
            if (static_cast<int>(rows.size()) == kMaxCount) return rows;
            DetailRow row{};
            Store<int16_t>(row.data(), ed::kEntryIndex, static_cast<int16_t>(i));
            Store<int16_t>(row.data(), ed::kSubIndex, static_cast<int16_t>(it->first.second));
            std::copy_n(it->second.begin(), std::min(it->second.size(), ed::kPayloadSize),
                        row.begin() + ed::kPayload);
            rows.push_back(row);
        }
    }
    return rows;
}

}  // namespace

void Frame::WriteHeader() {
    unsigned char* h = header.get();
    std::memset(h, 0, kHeaderBytes);
    Store<uint16_t>(h, tgf::kSlotScope, static_cast<uint16_t>(scope));
    Store<uint16_t>(h, tgf::kSlot, static_cast<uint16_t>(slot));
    Store<int16_t>(h, tgf::kMeasure, static_cast<int16_t>(measure));
    Store<int16_t>(h, tgf::kLayer, static_cast<int16_t>(layer));
    Store<int16_t>(h, tgf::kSkipSave, skipSave ? 1 : 0);
    WriteEntriesField();
    StorePointer(h, tgf::kDetails, details.data);
    Store<int16_t>(h, tgf::kDetailCount, static_cast<int16_t>(detailCount));
}

void Frame::WriteEntriesField() {
    StorePointer(header.get(), tgf::kEntries, entries.data);
    Store<int16_t>(header.get(), tgf::kEntryCount, static_cast<int16_t>(entryCount));
}

TGF* MemHost::LoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                      uint16_t, uint32_t) try {
    Document* document = CurrentOrNull();
    if (document == nullptr) return nullptr;
    int instrument = document->SlotToInstrument(slot);
    if (instrument == 0 || measure < 1 || measure > document->MeasureCount() ||
        layer >= kLayerCount)
        return nullptr;

    auto frame = std::make_unique<Frame>();
    frame->header.reset(new unsigned char[Frame::kHeaderBytes]);
    frame->document = document;
    frame->instrument = instrument;
    frame->scope = scope;
    frame->slot = slot;
    frame->measure = measure;
    frame->layer = layer;
    frame->skipSave = skipSaveFrames_.count({slot, measure, layer}) > 0;

    const std::vector<Record>* stored = document->FindEntries(instrument, measure, layer);
    frame->entryCount = stored ? std::min(static_cast<int>(stored->size()), kMaxCount) : 0;
    frame->entries = NewArray(EntryBytes(frame->entryCount));
    for (int i = 0; i < frame->entryCount; ++i) {
        const Record& record = (*stored)[static_cast<std::size_t>(i)];
        std::copy_n(record.begin(), std::min(record.size(), ex::kSize), frame->EntryAt(i));
    }

    std::vector<DetailRow> rows = DetailRows(*document, frame->entries.data, frame->entryCount);
    frame->detailCount = static_cast<int>(rows.size());
    frame->details = NewArray(rows.size() * ed::kSize);
    for (std::size_t d = 0; d < rows.size(); ++d)
        std::copy(rows[d].begin(), rows[d].end(), frame->details.data + d * ed::kSize);

    frame->WriteHeader();
    TGF* handle = frame->Tgf();
    frames_[handle] = std::move(frame);
    return handle;
} catch (...) {
    return nullptr;
}

int16_t MemHost::SaveTGF(TGF* frame, uint32_t) try {
    Frame* f = FindFrame(frame);
    if (f == nullptr) return 0;
    std::vector<Record> records;
    records.reserve(static_cast<std::size_t>(f->entryCount));
    for (int i = 0; i < f->entryCount; ++i) {
        Record record(f->EntryAt(i), f->EntryAt(i) + ex::kSize);
        if (ex::EntryNumber(record.data()) == 0)
            ex::SetEntryNumber(record.data(), f->document->NextEntryNumber());
        records.push_back(std::move(record));
    }
    f->document->Entries(f->instrument, f->measure, f->layer) = std::move(records);
    return 1;
} catch (...) {
    return 0;
}

int16_t MemHost::FreeTGF(TGF* frame, uint32_t) {
    return frames_.erase(frame) > 0 ? 1 : 0;
}

int16_t MemHost::InsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t) try {
    Frame* f = FindFrame(frame);
    if (f == nullptr) return 0;
    int total = std::min(f->entryCount + count, kMaxCount);
    int added = total - f->entryCount;
    int at = std::min<int>(where, f->entryCount);

    FrameArray grown = NewArray(EntryBytes(total));
    const unsigned char* old = f->entries.data;
    std::memcpy(grown.data, old, EntryBytes(at));
    std::memcpy(grown.data + EntryBytes(at + added), old + EntryBytes(at),
                EntryBytes(f->entryCount - at));
    f->entries = std::move(grown);
    f->entryCount = total;
    f->WriteEntriesField();
    return 1;
} catch (...) {
    return 0;
}

int16_t MemHost::DeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t) try {
    Frame* f = FindFrame(frame);
    if (f == nullptr) return 0;
    int at = std::min<int>(where, f->entryCount);
    int removed = std::min<int>(count, f->entryCount - at);
    int total = f->entryCount - removed;

    FrameArray shrunk = NewArray(EntryBytes(total));
    const unsigned char* old = f->entries.data;
    std::memcpy(shrunk.data, old, EntryBytes(at));
    std::memcpy(shrunk.data + EntryBytes(at), old + EntryBytes(at + removed),
                EntryBytes(total - at));
    f->entries = std::move(shrunk);
    f->entryCount = total;
    f->WriteEntriesField();
    return 1;
} catch (...) {
    return 0;
}

int32_t MemHost::GetTGFDuration(const TGF* frame, uint32_t) {
    Frame* f = FindFrame(frame);
    if (f == nullptr) return 0;
    if (int32_t length = f->document->MeasureDurationOverride(f->instrument, f->measure))
        return length;
    return f->document->TimeSignatureOf(f->measure).Duration();
}

}  // namespace qz::memhost
