// The plug-in as the host sees it: a DLL loaded with LoadLibraryW and seven functions found by
// name with GetProcAddress.
//
// The calls deliberately go through function-pointer types whose integer parameters are 64 bits
// wide, and every 16-bit argument carries garbage in its upper 48 bits (kGarbage). A host built
// with another compiler may leave those bits undefined, so a plug-in that reads more than the low
// 16 bits of an index would act on the wrong command here. Results are read the same way: only
// the bits the export's result type defines (16, or 32 for the version) are kept.
//
// Thread: the emulator's one thread, which is also the "host UI thread".
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace emulator {

// Upper-bit garbage for integer arguments: index 1 is passed as 0xDEADBEEF00010001.
inline constexpr uint64_t kGarbage = 0xDEADBEEF00010000ull;
// Garbage for 32-bit arguments (the version): the upper 32 bits only.
inline constexpr uint64_t kGarbage32 = 0xBADC0FFE00000000ull;
// What is passed for the pointer-sized context arguments that the plug-in must ignore.
inline constexpr uint64_t kGarbageContext = 0x00C0FFEE0BADF00Dull;

class PluginModule {
public:
    PluginModule() = default;
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    // Loads the DLL at `path` and resolves the seven exports. False when the DLL does not load;
    // exports that are missing are listed by Missing() and their wrappers answer 0.
    bool Load(const std::wstring& path);
    HMODULE Handle() const { return module_; }
    DWORD LoadError() const { return loadError_; }
    const std::vector<std::string>& Missing() const { return missing_; }

    // The seven exports. 16-bit arguments are given as their low 16 bits; kGarbage is added.
    uint32_t Version(uint32_t version);
    int16_t Init(uint32_t* flags);
    int16_t Enumerate(uint16_t index, void* item);
    int16_t EnumerateUtf16(uint16_t index, void* item);
    int16_t GetMenuStatus(uint16_t index);
    int16_t Invoke(HWND window, uint16_t index, const void* region);
    void Terminate();

    // The same with the raw 64-bit index word, for calls whose upper bits matter to the test.
    int16_t EnumerateRaw(uint64_t index, void* item);
    int16_t GetMenuStatusRaw(uint64_t index);
    int16_t InvokeRaw(HWND window, uint64_t index, const void* region);

private:
    // Wide-parameter views of the exports (see the header comment).
    using VersionFn = uint64_t (*)(uint64_t);
    using InitFn = uint64_t (*)(uint64_t, uint32_t*);
    using EnumerateFn = uint64_t (*)(uint64_t, uint64_t, void*);
    using StatusFn = uint64_t (*)(uint64_t);
    using InvokeFn = uint64_t (*)(HWND, uint64_t, const void*);
    using TerminateFn = void (*)();

    FARPROC Resolve(const char* name);

    HMODULE module_ = nullptr;
    DWORD loadError_ = 0;
    std::vector<std::string> missing_;
    VersionFn version_ = nullptr;
    InitFn init_ = nullptr;
    EnumerateFn enumerate_ = nullptr;
    EnumerateFn enumerateUtf16_ = nullptr;
    StatusFn status_ = nullptr;
    InvokeFn invoke_ = nullptr;
    TerminateFn terminate_ = nullptr;
};

// The seven export names, in the order the host uses them.
const std::vector<std::string>& ExportNames();

}  // namespace emulator
