// __FCBaseData and __FCEntryDetail: one extended-data record of the host document.
//
// The object holds the record's key, its bytes (in a buffer of the class's own or one it owns),
// the number of valid bytes and the document of the last load. It reaches the document only by
// explicit Load, Save, Delete and Next calls; destruction writes nothing.
#pragma once

#include <cstdint>

#include "framework/base.h"
#include "host/host_abi.h"

namespace qz::host {
class HostBinding;
}

namespace qz {

class FCNoteEntry;

class __FCBaseData : public __FCBase {
public:
    // Reaches the document through `host` (borrowed: it must outlive the object).
    explicit __FCBaseData(host::HostBinding& host) : host_(&host) {}
    ~__FCBaseData() override;
    const char* ClassName() const override { return "__FCBaseData"; }

    // --- virtual operations, in slot order after those of __FCBase ---
    virtual unsigned char* GetRecordBuffer() = 0;  // the class's own record area
    virtual void OnBufferDropped() {}
    virtual bool CanDropBuffer() const { return false; }
    virtual __FCBaseData* CreateObject() const = 0;  // a new object of the same class
    virtual uint32_t GetTag() const = 0;
    virtual uint32_t GetVersion() const { return host::kCallVersion; }
    virtual uint32_t GetRecordSize() const = 0;
    virtual uint32_t GetSaveSize() const { return static_cast<uint32_t>(dataSize_); }
    // Takes over the other record's bytes (nothing happens when it holds none).
    virtual void CopyDataFrom(const __FCBaseData& other);
    // Writes the record under the current key. False when nothing is loaded or the host refused.
    virtual bool Save();
    virtual bool Reload();
    virtual bool DeleteData();
    virtual bool DeleteRecord() { return DeleteData(); }
    virtual bool LoadFirst() = 0;
    // Moves the key to the next record of the tag (in the host's order) and loads it.
    virtual bool LoadNext();

    // Loads the record of the current key. A size the host reports beyond the record's room is
    // cut to the room, so that no later copy or save reaches past the buffer.
    bool Load();

    int16_t GetDocumentId() const { return documentId_; }
    uint64_t GetDataSize() const { return dataSize_; }
    const unsigned char* GetBuffer() const { return recordBuffer_; }
    unsigned char* GetKey() { return key_; }
    const unsigned char* GetKey() const { return key_; }
    void CopyKeyFrom(const __FCBaseData& other);

protected:
    host::HostBinding& Host() const { return *host_; }
    void SetDataSize(uint64_t size) { dataSize_ = size; }
    void SetDocumentId(int16_t id) { documentId_ = id; }
    void UseBuffer(unsigned char* buffer) { recordBuffer_ = buffer; }

private:
    void ReleaseOwnedBuffer();

    host::HostBinding* host_;
    int16_t documentId_ = 0;
    unsigned char* recordBuffer_ = nullptr;
    bool ownsBuffer_ = false;
    uint32_t ownedSize_ = 0;  // bytes in an owned buffer
    uint64_t dataSize_ = 0;
    unsigned char key_[8] = {};
};

// A record attached to a note entry, keyed by the entry's number and an index.
class __FCEntryDetail : public __FCBaseData {
public:
    using __FCBaseData::__FCBaseData;
    FCNoteEntry* GetOwnerEntry() const { return ownerEntry_; }
    int32_t GetKeyNumber() const;
    int16_t GetKeyIndex() const;
    void SetKeyNumber(int32_t number);
    void SetKeyIndex(int16_t index);

protected:
    void SetOwnerEntry(FCNoteEntry* entry) { ownerEntry_ = entry; }

private:
    FCNoteEntry* ownerEntry_ = nullptr;  // not owned
};

}  // namespace qz
