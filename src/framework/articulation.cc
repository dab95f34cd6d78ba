#include "framework/articulation.h"

#include <cstring>
#include <memory>
#include <new>

#include "framework/articulations.h"
#include "framework/note_entry.h"
#include "host/binding.h"
#include "host/edata_key.h"
#include "host/exentry.h"

namespace qz {

FCArticulation::FCArticulation(host::HostBinding& host) : __FCEntryDetail(host) {
    UseBuffer(recordData_);
    SetDataSize(kRecordSize);
}

int16_t FCArticulation::GetDefinitionNumber() const { return host::Load<int16_t>(recordData_, 0); }
void FCArticulation::SetDefinitionNumber(int16_t definition) { host::Store(recordData_, 0, definition); }

void FCArticulation::CopyDataFrom(const __FCBaseData& other) {
    uint64_t size = other.GetDataSize();
    if (size > kRecordSize) size = kRecordSize;
    if (other.GetBuffer() != nullptr && other.GetBuffer() != recordData_)
        std::memcpy(recordData_, other.GetBuffer(), size);
    UseBuffer(recordData_);
    SetDataSize(kRecordSize);
}

bool FCArticulation::Reload() {
    return GetDataSize() > 0 && LoadByKey(GetKeyNumber(), GetKeyIndex());
}

bool FCArticulation::LoadByKey(int32_t number, int16_t index) {
    SetKeyNumber(number);
    SetKeyIndex(index);
    return Load();
}

bool FCArticulation::LoadFirst() {
    if (GetOwnerEntry() == nullptr) return false;
    return LoadByKey(static_cast<int32_t>(GetOwnerEntry()->GetEntryNumber()), 0);
}

bool FCArticulation::LoadNext() {
    SetKeyIndex(static_cast<int16_t>(GetKeyIndex() + 1));
    if (Load()) return true;
    SetKeyIndex(static_cast<int16_t>(GetKeyIndex() - 1));
    return false;
}

void FCArticulation::SetNoteEntry(FCNoteEntry* entry) {
    SetOwnerEntry(entry);
    SetKeyNumber(entry == nullptr ? 0 : static_cast<int32_t>(entry->GetEntryNumber()));
}

bool FCArticulation::CreateData() {
    if (GetOwnerEntry() == nullptr) return false;
    unsigned char key[8] = {};
    host::entry_key::SetNumber(key, GetKeyNumber());
    host::entry_key::SetIndex(key, -1);
    if (Host().CreateEData(GetTag(), key, GetRecordBuffer(),
                          static_cast<int32_t>(GetSaveSize()), GetVersion()) == 0)
        return false;
    int16_t index = host::entry_key::Index(key);
    if (index == -1) index = FindLastIndex();
    if (index == -1) return false;
    SetKeyNumber(host::entry_key::Number(key));
    SetKeyIndex(index);
    SetDataSize(GetSaveSize());
    SetEntryFlag(GetOwnerEntry(), true);
    return true;
}

void FCArticulation::SetEntryFlag(FCNoteEntry* entry, bool on) {
    if (entry == nullptr || !entry->GetEntryRecord()) return;
    const uint32_t bit = host::exentry::ENTRY_HAS_ARTICULATIONS;
    entry->SetFlags(on ? entry->GetFlags() | bit : entry->GetFlags() & ~bit);
}

int16_t FCArticulation::FindLastIndex() {
    FCNoteEntry* owner = GetOwnerEntry();
    if (owner == nullptr) return -1;
    std::unique_ptr<FCArticulation> probe(static_cast<FCArticulation*>(CreateObject()));
    probe->CopyKeyFrom(*this);
    probe->CopyDataFrom(*this);
    probe->SetNoteEntry(owner);
    const int32_t number = static_cast<int32_t>(owner->GetEntryNumber());
    if (!probe->LoadByKey(number, 0)) return -1;
    // The host's records are finite, but its answers are not trusted: the walk is bounded by
    // the number of indexes a key can name.
    int16_t last = probe->GetKeyIndex();
    for (int steps = 0; steps <= 0xFFFF; ++steps) {
        last = probe->GetKeyIndex();
        if (!probe->__FCBaseData::LoadNext()) break;
        if (probe->GetKeyNumber() != number) break;
    }
    return last;
}

FCArticulations::FCArticulations(host::HostBinding& host, FCNoteEntry* owner, Arena* arena)
    : host_(host), owner_(owner), arena_(arena) {
    SetOwnsItems(arena == nullptr);
    DrawArraysFrom(arena);
}

FCArticulation* FCArticulations::NewItem(const FCArticulation& loaded) {
    FCArticulation* item = arena_ != nullptr ? arena_->Make<FCArticulation>(host_)
                                             : static_cast<FCArticulation*>(loaded.CreateObject());
    item->CopyKeyFrom(loaded);
    item->CopyDataFrom(loaded);
    item->SetNoteEntry(owner_);
    return item;
}

int FCArticulations::LoadAll() {
    ClearAll();
    if (owner_ == nullptr || !owner_->GetEntryRecord() || owner_->GetEntryNumber() == 0)
        return 0;
    FCArticulation probe(host_);
    probe.SetNoteEntry(owner_);
    // Indexes are 16-bit, so at most 32768 records can follow one another from index 0.
    for (bool loaded = probe.LoadFirst(); loaded && GetCount() <= 0x7FFF;
         loaded = probe.LoadNext()) {
        // A list cut short would read as an entry without some of its articulations.
        if (!Add(NewItem(probe))) throw std::bad_alloc();
    }
    return GetCount();
}

bool FCArticulations::SaveAll() {
    for (int32_t i = 0; i < GetCount(); ++i)
        if (!GetArticulationAt(i)->Save()) return false;
    return true;
}

void FCArticulations::CreateAll() {
    if (owner_ == nullptr || owner_->GetEntryNumber() == 0) return;
    for (int32_t i = 0; i < GetCount(); ++i) {
        FCArticulation* articulation = GetArticulationAt(i);
        articulation->SetNoteEntry(owner_);
        articulation->CreateData();
    }
}

}  // namespace qz
