// A stand-in for the plug-in's module-level state, for the export-guard test only: it is found
// instead of src/shell/plugin.h when exports.cc is compiled into that test, and every method
// throws what the test asks for. Nothing else may include it.
#pragma once

#include <cstdint>
#include <functional>

namespace qz::host {
class HostApi;
}

namespace qz::shell {

class Plugin {
public:
    explicit Plugin(host::HostApi&) {}

    // What every method throws; empty: it returns `answer` (a value the guard would not invent).
    static inline std::function<void()> thrower;
    static inline int answer = 0x55;
    static inline int calls = 0;

    uint32_t Version(uint32_t) { return Answer<uint32_t>(); }
    int16_t Init(void*, uint32_t*) { return Answer<int16_t>(); }
    int16_t Enumerate(void*, int16_t, void*) { return Answer<int16_t>(); }
    int16_t EnumerateUtf16(void*, int16_t, void*) { return Answer<int16_t>(); }
    int16_t GetMenuStatus(int16_t) const { return Answer<int16_t>(); }
    int16_t Invoke(void*, int16_t, const void*, void* = nullptr) { return Answer<int16_t>(); }
    void Terminate() { Answer<int>(); }

private:
    template <typename T>
    static T Answer() {
        ++calls;
        if (thrower) thrower();
        return static_cast<T>(answer);
    }
};

}  // namespace qz::shell
