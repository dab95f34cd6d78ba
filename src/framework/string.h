// FCString: UTF-16 text owned by the framework, used for menu texts and error messages.
//
// The text lives in `buffer`, followed by a 0 unit, so GetText can be handed to Windows text
// functions as is. The buffer grows in steps chosen from the current capacity (10 units up to a
// capacity of 1000, then 100 up to 10000, then 1000), so short texts stay small and long ones do
// not reallocate at every change.
//
// Allocation failure: no operation throws or crashes. A growth that cannot be allocated, or whose
// byte count would overflow, leaves the string exactly as it was and is reported as false.
#pragma once

#include <cstdint>

#include "framework/base.h"

namespace qz {

class FCString : public __FCBase {
public:
    // An empty text in a 10-unit buffer (or, if even that cannot be allocated, no buffer).
    FCString();
    ~FCString() override;
    const char* ClassName() const override { return "FCString"; }

    // Makes room for `n` text units plus the terminator. Nothing happens while the capacity
    // exceeds n + 1; otherwise a buffer of the smallest multiple of the growth step above n is
    // allocated and the text (and a terminator) copied into it. False, with the string
    // unchanged, when the new buffer cannot be allocated.
    bool EnsureCapacity(uint64_t n);

    // Sets the text from the zero-terminated 8-bit `text` (owned by the caller), one UTF-16
    // unit per byte; bytes above 0x7F are taken as Latin-1 code points. A null `text` releases
    // the buffer: no buffer, length 0, capacity 0. False, with the string unchanged, when the
    // room for the text cannot be allocated.
    bool SetCString(const char* text);

    // Sets the text to a copy of `other`'s; an absent (null) or empty `other` leaves this string
    // empty, with a buffer. Setting a string from itself leaves it unchanged. False when the
    // room could not be allocated: the string is then empty (or, failing even that, unchanged).
    bool SetString(const FCString* other);

    // The terminated UTF-16 text, owned by this string and valid until its next change; null
    // when the string has no buffer (after SetCString(nullptr)).
    const char16_t* GetText() const { return buffer_; }
    // The number of UTF-16 units of the text, terminator excluded.
    uint64_t GetLength() const { return length_; }
    // The number of UTF-16 units allocated (0 without a buffer).
    uint64_t GetCapacity() const { return capacity_; }

private:
    void ReleaseBuffer();

    uint64_t length_ = 0;
    uint64_t capacity_ = 0;
    char16_t* buffer_ = nullptr;
    // Two further owned buffers kept for the class's users; nothing sets them, the destructor
    // releases them.
    char16_t* spareBuffer1_ = nullptr;
    char16_t* spareBuffer2_ = nullptr;
};

}  // namespace qz
