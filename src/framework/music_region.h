// FCMusicRegion: a range of staff slots and measures, with positions in the first and last
// measure, and the document it was taken in.
//
// A plain value, filled whole from a host ERegion record and read afterwards. The eight record
// fields are kept as the record's own 20 bytes, so a host record is taken over by one copy.
#pragma once

#include <cstdint>

#include "framework/base.h"

namespace qz::host {
class HostBinding;
}

namespace qz {

class FCMusicRegion : public __FCBase {
public:
    FCMusicRegion() = default;
    // A region is a value: copies take the record and the document.
    FCMusicRegion(const FCMusicRegion& other) : __FCBase() { CopyFrom(other); }
    FCMusicRegion& operator=(const FCMusicRegion& other) {
        CopyFrom(other);
        return *this;
    }
    const char* ClassName() const override { return "FCMusicRegion"; }
    // Value comparison through the host's staff numbers; documentId takes no part.
    virtual bool IsEqual(host::HostBinding& host, const FCMusicRegion* other) const;

    // Takes over the 20 bytes at `record` (owned by the caller) and the current document.
    void SetFromRecord(host::HostBinding& host, const void* record);
    // Asks the host for its current region (FX_GetCurERegions) and the current document. When
    // the host lacks the function the record is left as it was. Always true.
    bool SetFromCurrentRegion(host::HostBinding& host);
    // Copies another region whole, document included.
    void CopyFrom(const FCMusicRegion& other);

    bool IsEmpty() const { return GetRawStartMeasure() == 0 && GetRawEndMeasure() == 0; }
    // Starts at position 0 and runs through the end of its last measure.
    bool IsWholeMeasures() const;
    int GetStartMeasure() const { return IsEmpty() ? 0 : GetRawStartMeasure(); }
    int GetEndMeasure() const { return IsEmpty() ? 0 : GetRawEndMeasure(); }
    // End minus start plus one; an empty region counts 1, an inverted one 0 or less.
    int CalcMeasureCount() const { return GetEndMeasure() - GetStartMeasure() + 1; }

    int16_t GetStartSlotScope() const;
    int16_t GetStartSlot() const;
    int16_t GetRawStartMeasure() const;
    int32_t GetStartPosition() const;
    int16_t GetEndSlotScope() const;
    int16_t GetEndSlot() const;
    int16_t GetRawEndMeasure() const;
    int32_t GetEndPosition() const;
    int16_t GetDocumentId() const { return documentId_; }
    const unsigned char* GetRecord() const { return record_; }

private:
    unsigned char record_[20] = {};
    int16_t documentId_ = 0;
};

}  // namespace qz
