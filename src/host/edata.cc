#include "host/edata.h"

#include "host/binding.h"

namespace qz::host {

int TranslatedLoadEData(HostBinding& host, uint32_t tag, void* key, void* buffer,
                        uint32_t* size, uint32_t version) {
    return host.HostLoadEData(tag, key, buffer, size, version);
}

int TranslatedSaveEData(HostBinding& host, uint32_t tag, const void* key, const void* buffer,
                        int32_t size, uint32_t version) {
    return host.HostSaveEData(tag, key, buffer, size, version);
}

}  // namespace qz::host
