#include "memhost/edata_key_layout.h"

#include "host/bytes.h"

namespace qz::memhost::edata_key {

using qz::host::Load;
using qz::host::Store;

int64_t ReadFirst(uint32_t tag, const void* key) {
    Layout layout = LayoutOf(tag);
    if (layout.firstWidth == 4) return Load<int32_t>(key, layout.firstOffset);
    return Load<int16_t>(key, layout.firstOffset);
}

int64_t ReadSecond(uint32_t tag, const void* key) {
    return Load<int16_t>(key, LayoutOf(tag).secondOffset);
}

void Write(uint32_t tag, void* key, int64_t first, int64_t second) {
    Layout layout = LayoutOf(tag);
    if (layout.firstWidth == 4)
        Store<int32_t>(key, layout.firstOffset, static_cast<int32_t>(first));
    else
        Store<int16_t>(key, layout.firstOffset, static_cast<int16_t>(first));
    WriteSecond(tag, key, second);
}

void WriteSecond(uint32_t tag, void* key, int64_t second) {
    Store<int16_t>(key, LayoutOf(tag).secondOffset, static_cast<int16_t>(second));
}

}  // namespace qz::memhost::edata_key
