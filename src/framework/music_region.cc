#include "framework/music_region.h"

#include <cstring>

#include "host/binding.h"
#include "host/eregion.h"

namespace qz {

using host::Load;
namespace er = host::eregion;

static_assert(sizeof(unsigned char[20]) == er::kSize, "a region holds one ERegion record");

void FCMusicRegion::SetFromRecord(host::HostBinding& host, const void* record) {
    std::memcpy(record_, record, er::kSize);
    documentId_ = static_cast<int16_t>(host.GetCurrentEnigmaDocument());
}

bool FCMusicRegion::SetFromCurrentRegion(host::HostBinding& host) {
    host.GetCurERegions(record_);
    documentId_ = static_cast<int16_t>(host.GetCurrentEnigmaDocument());
    return true;
}

void FCMusicRegion::CopyFrom(const FCMusicRegion& other) {
    std::memcpy(record_, other.record_, er::kSize);
    documentId_ = other.documentId_;
}

bool FCMusicRegion::IsWholeMeasures() const {
    return GetStartPosition() == 0 && GetEndPosition() == er::kEndOfMeasure;
}

int16_t FCMusicRegion::GetStartSlotScope() const { return Load<int16_t>(record_, er::kStartSlotScope); }
int16_t FCMusicRegion::GetStartSlot() const { return Load<int16_t>(record_, er::kStartSlot); }
int16_t FCMusicRegion::GetRawStartMeasure() const { return Load<int16_t>(record_, er::kStartMeasure); }
int32_t FCMusicRegion::GetStartPosition() const { return Load<int32_t>(record_, er::kStartPosition); }
int16_t FCMusicRegion::GetEndSlotScope() const { return Load<int16_t>(record_, er::kEndSlotScope); }
int16_t FCMusicRegion::GetEndSlot() const { return Load<int16_t>(record_, er::kEndSlot); }
int16_t FCMusicRegion::GetRawEndMeasure() const { return Load<int16_t>(record_, er::kEndMeasure); }
int32_t FCMusicRegion::GetEndPosition() const { return Load<int32_t>(record_, er::kEndPosition); }

bool FCMusicRegion::IsEqual(host::HostBinding& host, const FCMusicRegion* other) const {
    if (other == nullptr) return false;
    if (other->GetStartSlotScope() != GetStartSlotScope()) return false;
    const int16_t otherStart =
        static_cast<int16_t>(host.SlotToInst(other->GetStartSlot(), other->GetStartSlotScope()));
    if (otherStart != static_cast<int16_t>(host.SlotToInst(GetStartSlot(), GetStartSlotScope())))
        return false;
    const int16_t otherEnd =
        static_cast<int16_t>(host.SlotToInst(other->GetEndSlot(), other->GetEndSlotScope()));
    if (otherEnd != static_cast<int16_t>(host.SlotToInst(GetEndSlot(), GetEndSlotScope())))
        return false;
    if (other->GetStartMeasure() != GetStartMeasure()) return false;
    if (other->GetEndMeasure() != GetEndMeasure()) return false;
    if (other->GetStartPosition() != GetStartPosition()) return false;
    return other->GetEndPosition() == GetEndPosition();
}

}  // namespace qz
