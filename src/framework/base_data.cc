#include "framework/base_data.h"

#include <cstring>
#include <new>

#include "host/binding.h"
#include "host/edata_key.h"

namespace qz {

__FCBaseData::~__FCBaseData() { ReleaseOwnedBuffer(); }

void __FCBaseData::ReleaseOwnedBuffer() {
    if (ownsBuffer_) delete[] recordBuffer_;
    ownsBuffer_ = false;
    ownedSize_ = 0;
}

bool __FCBaseData::Load() {
    if (recordBuffer_ != nullptr && CanDropBuffer()) {
        ReleaseOwnedBuffer();
        OnBufferDropped();
        recordBuffer_ = nullptr;
        dataSize_ = 0;
    }
    if (recordBuffer_ == nullptr) recordBuffer_ = GetRecordBuffer();
    // A buffer of its own (from CopyDataFrom) bounds the room by its own size.
    const uint32_t room = ownsBuffer_ ? ownedSize_ : GetRecordSize();
    uint32_t size = room;
    host::HostBinding& host = Host();
    if (recordBuffer_ == nullptr ||
        host.LoadEData(GetTag(), key_, recordBuffer_, &size, GetVersion()) == 0) {
        dataSize_ = 0;
        return false;
    }
    if (size > room) size = room;
    std::memset(recordBuffer_ + size, 0, room - size);
    dataSize_ = size;
    documentId_ = static_cast<int16_t>(host.GetCurrentEnigmaDocument());
    return true;
}

bool __FCBaseData::Save() {
    if (dataSize_ == 0 || recordBuffer_ == nullptr) return false;
    return Host().SaveEData(GetTag(), key_, recordBuffer_,
                           static_cast<int32_t>(GetSaveSize()), GetVersion()) != 0;
}

bool __FCBaseData::Reload() { return dataSize_ > 0 && Load(); }

bool __FCBaseData::DeleteData() {
    return Host().DeleteEData(GetTag(), key_, GetVersion()) != 0;
}

bool __FCBaseData::LoadNext() {
    if (Host().NextEData(GetTag(), key_, GetVersion()) == 0) return false;
    return Load();
}

void __FCBaseData::CopyDataFrom(const __FCBaseData& other) {
    if (other.dataSize_ == 0 || other.recordBuffer_ == nullptr) return;
    auto* copy = new (std::nothrow) unsigned char[other.dataSize_];
    if (copy == nullptr) return;
    std::memcpy(copy, other.recordBuffer_, other.dataSize_);
    ReleaseOwnedBuffer();
    recordBuffer_ = copy;
    ownsBuffer_ = true;
    ownedSize_ = static_cast<uint32_t>(other.dataSize_);
    dataSize_ = other.dataSize_;
}

void __FCBaseData::CopyKeyFrom(const __FCBaseData& other) {
    std::memcpy(key_, other.key_, sizeof key_);
    documentId_ = other.documentId_;
}

int32_t __FCEntryDetail::GetKeyNumber() const { return host::entry_key::Number(GetKey()); }
int16_t __FCEntryDetail::GetKeyIndex() const { return host::entry_key::Index(GetKey()); }
void __FCEntryDetail::SetKeyNumber(int32_t number) { host::entry_key::SetNumber(GetKey(), number); }
void __FCEntryDetail::SetKeyIndex(int16_t index) { host::entry_key::SetIndex(GetKey(), index); }

}  // namespace qz
