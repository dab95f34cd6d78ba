// SimHost's frame functions: load, save, free, insert, delete and duration.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

#include "host/entry_detail.h"
#include "host/exentry.h"
#include "hostsim/entry_record.h"
#include "hostsim/sim_frame.h"

namespace hostsim {

namespace ex = qz::host::exentry;
namespace ed = qz::host::entry_detail;
namespace tgf = qz::host::tgf;
using qz::host::Load;
using qz::host::LoadPointer;
using qz::host::Store;
using qz::host::StorePointer;
using qz::host::TGF;

namespace {

constexpr int kMaxCount = std::numeric_limits<int16_t>::max();
constexpr int kLayerCount = 4;

int64_t Address(const void* p) { return static_cast<int64_t>(reinterpret_cast<uintptr_t>(p)); }

std::size_t EntryBytes(int count) { return static_cast<std::size_t>(count) * ex::kSize; }

using DetailRow = std::array<unsigned char, ed::kSize>;

// The detail table: for each numbered entry, its stored detail records in key order.
std::vector<DetailRow> DetailRows(const Document& document, const GuardedArray& entries,
                                  int entryCount) {
    std::vector<DetailRow> rows;
    const auto& store = document.EData();
    for (int i = 0; i < entryCount; ++i) {
        uint32_t number = ex::EntryNumber(entries.Data() + EntryBytes(i));
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

unsigned char* SimHost::Frame::HeaderEntries() {
    return defect == FrameDefect::kNullEntries ? nullptr : entries.Data();
}

unsigned char* SimHost::Frame::HeaderDetails() {
    return defect == FrameDefect::kNullDetails ? nullptr : details.Data();
}

int SimHost::Frame::HeaderEntryCount() const {
    if (defect == FrameDefect::kNullEntries) return std::min(entryCount + 1, kMaxCount);
    return defect == FrameDefect::kNegativeCounts ? -1 : entryCount;
}

int SimHost::Frame::HeaderDetailCount() const {
    if (defect == FrameDefect::kNullDetails) return std::min(detailCount + 1, kMaxCount);
    return defect == FrameDefect::kNegativeCounts ? -3 : detailCount;
}

void SimHost::Frame::WriteHeader() {
    unsigned char* h = header.get();
    std::memset(h, 0, kHeaderBytes);
    const int shownSlot = defect == FrameDefect::kOtherSlot ? slot + 1 : slot;
    const int shownMeasure = defect == FrameDefect::kOtherMeasure ? measure + 1 : measure;
    const int shownLayer = defect == FrameDefect::kOtherLayer ? layer ^ 1 : layer;
    Store<uint16_t>(h, tgf::kSlotScope, static_cast<uint16_t>(scope));
    Store<uint16_t>(h, tgf::kSlot, static_cast<uint16_t>(shownSlot));
    Store<int16_t>(h, tgf::kMeasure, static_cast<int16_t>(shownMeasure));
    Store<int16_t>(h, tgf::kLayer, static_cast<int16_t>(shownLayer));
    Store<int16_t>(h, tgf::kSkipSave, skipSave ? 1 : 0);
    WriteEntriesField();
    StorePointer(h, tgf::kDetails, HeaderDetails());
    Store<int16_t>(h, tgf::kDetailCount, static_cast<int16_t>(HeaderDetailCount()));
}

void SimHost::Frame::WriteEntriesField() {
    StorePointer(header.get(), tgf::kEntries, HeaderEntries());
    Store<int16_t>(header.get(), tgf::kEntryCount, static_cast<int16_t>(HeaderEntryCount()));
}

bool SimHost::Frame::HeaderIntact() const {
    const unsigned char* h = header.get();
    auto* self = const_cast<Frame*>(this);
    return LoadPointer(h, tgf::kEntries) == self->HeaderEntries() &&
           Load<int16_t>(h, tgf::kEntryCount) == HeaderEntryCount() &&
           LoadPointer(h, tgf::kDetails) == self->HeaderDetails() &&
           Load<int16_t>(h, tgf::kDetailCount) == HeaderDetailCount();
}

TGF* SimHost::ServeLoadTGF(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                      uint16_t require, uint32_t version) {
    Log(Function::kLoadTGF, {scope, slot, measure, layer, require, version});
    FrameDefect defect = FrameDefect::kNone;
    if (const Fault* fault = Strikes(Function::kLoadTGF)) {
        if (fault->defect == FrameDefect::kNone) return nullptr;
        defect = fault->defect;
    }
    if (defect == FrameDefect::kSamePointer) {
        // A host that hands out a frame it has already handed out, still in use.
        auto it = frames_.find(lastHandedOut_);
        return it == frames_.end() ? nullptr : it->second->Tgf();
    }
    return HandOutFrame(scope, slot, measure, layer, defect);
}

TGF* SimHost::HandOutFrame(uint16_t scope, uint16_t slot, uint16_t measure, uint16_t layer,
                           FrameDefect defect) {
    Document* document = CurrentOrNull();
    if (document == nullptr) return nullptr;
    int instrument = document->SlotToInstrument(slot);
    if (instrument == 0 || measure < 1 || measure > document->MeasureCount() ||
        layer >= kLayerCount || absentFrames_.count({slot, measure, layer}) > 0)
        return nullptr;

    auto frame = std::make_unique<Frame>();
    frame->header.reset(new unsigned char[Frame::kHeaderBytes]);
    frame->document = document;
    frame->instrument = instrument;
    frame->scope = scope;
    frame->slot = slot;
    frame->measure = measure;
    frame->layer = layer;
    frame->defect = defect;
    frame->skipSave = skipSaveFrames_.count({slot, measure, layer}) > 0;

    const std::vector<Record>* stored = document->FindEntries(instrument, measure, layer);
    frame->entryCount = stored ? std::min(static_cast<int>(stored->size()), kMaxCount) : 0;
    frame->entries = GuardedArray(EntryBytes(frame->entryCount));
    for (int i = 0; i < frame->entryCount; ++i) {
        const Record& record = (*stored)[static_cast<std::size_t>(i)];
        std::copy_n(record.begin(), std::min(record.size(), ex::kSize), frame->EntryAt(i));
    }

    std::vector<DetailRow> rows = DetailRows(*document, frame->entries, frame->entryCount);
    frame->detailCount = static_cast<int>(rows.size());
    frame->details = GuardedArray(rows.size() * ed::kSize);
    for (std::size_t d = 0; d < rows.size(); ++d)
        std::copy(rows[d].begin(), rows[d].end(), frame->details.Data() + d * ed::kSize);

    frame->WriteHeader();
    TGF* handle = frame->Tgf();
    freed_.erase(handle);
    frames_[handle] = std::move(frame);
    lastHandedOut_ = handle;
    return handle;
}

int16_t SimHost::ServeSaveTGF(TGF* frame, uint32_t version) {
    Log(Function::kSaveTGF, {Address(frame), version});
    bool struck = Strikes(Function::kSaveTGF);
    Frame* f = FindFrame(frame, "FX_SaveTGF");
    if (f == nullptr) return 0;
    CheckFrame(*f, "FX_SaveTGF");
    if (struck) return 0;
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
}

int16_t SimHost::ServeFreeTGF(TGF* frame, uint32_t version) {
    Log(Function::kFreeTGF, {Address(frame), version});
    bool struck = Strikes(Function::kFreeTGF);
    if (frame == nullptr) return 0;
    auto it = frames_.find(frame);
    if (it == frames_.end()) {
        if (freed_.count(frame) > 0)
            Violation("FX_FreeTGF: double free of a frame");
        else
            Violation("FX_FreeTGF: foreign frame (never handed out)");
        return 0;
    }
    CheckFrame(*it->second, "FX_FreeTGF");
    ReleaseFrame(frame);
    return struck ? 0 : 1;
}

int16_t SimHost::ServeInsertEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    Log(Function::kInsertEXENTRY, {Address(frame), where, count, version});
    const Fault* fault = Strikes(Function::kInsertEXENTRY);
    const bool struck = fault != nullptr;
    const int shortBy = struck ? fault->shortBy : 0;
    Frame* f = FindFrame(frame, "FX_InsertEXENTRY");
    if (f == nullptr) return 0;
    CheckFrame(*f, "FX_InsertEXENTRY");
    int added = count;
    if (struck) added = std::max(0, count - shortBy);
    int total = std::min(f->entryCount + added, kMaxCount);
    added = total - f->entryCount;
    int at = std::min<int>(where, f->entryCount);

    GuardedArray grown(EntryBytes(total));
    const unsigned char* old = f->entries.Data();
    std::memcpy(grown.Data(), old, EntryBytes(at));
    std::memcpy(grown.Data() + EntryBytes(at + added), old + EntryBytes(at),
                EntryBytes(f->entryCount - at));
    f->entries = std::move(grown);
    f->entryCount = total;
    f->WriteEntriesField();
    return 1;
}

int16_t SimHost::ServeDeleteEXENTRY(TGF* frame, uint16_t where, uint16_t count, uint32_t version) {
    Log(Function::kDeleteEXENTRY, {Address(frame), where, count, version});
    bool struck = Strikes(Function::kDeleteEXENTRY);
    Frame* f = FindFrame(frame, "FX_DeleteEXENTRY");
    if (f == nullptr) return 0;
    CheckFrame(*f, "FX_DeleteEXENTRY");
    if (struck) return 0;
    int at = std::min<int>(where, f->entryCount);
    int removed = std::min<int>(count, f->entryCount - at);
    int total = f->entryCount - removed;

    GuardedArray shrunk(EntryBytes(total));
    const unsigned char* old = f->entries.Data();
    std::memcpy(shrunk.Data(), old, EntryBytes(at));
    std::memcpy(shrunk.Data() + EntryBytes(at), old + EntryBytes(at + removed),
                EntryBytes(total - at));
    f->entries = std::move(shrunk);
    f->entryCount = total;
    f->WriteEntriesField();
    return 1;
}

int32_t SimHost::ServeGetTGFDuration(const TGF* frame, uint32_t version) {
    Log(Function::kGetTGFDuration, {Address(frame), version});
    bool struck = Strikes(Function::kGetTGFDuration);
    if (frame == nullptr) return 0;
    Frame* f = FindFrame(frame, "FX_GetTGFDuration");
    if (f == nullptr || struck) return 0;
    if (int32_t length = f->document->MeasureDurationOverride(f->instrument, f->measure))
        return length;
    return f->document->TimeSignatureOf(f->measure).Duration();
}

}  // namespace hostsim
