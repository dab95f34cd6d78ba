#include "hostsim/emulator/plugin_module.h"

namespace emulator {

namespace {

int16_t Low16(uint64_t raw) { return static_cast<int16_t>(raw & 0xFFFF); }

// Function pointers of one type are cast to another one on purpose: the host's view of an
// export is its calling convention, not the plug-in's C++ declaration.
template <typename Fn>
Fn As(FARPROC address) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
}

}  // namespace

const std::vector<std::string>& ExportNames() {
    static const std::vector<std::string> names = {
        "FinaleExtensionVersion",       "FinaleExtensionInit",
        "FinaleExtensionEnumerate",     "FinaleExtensionEnumerate_UTF16",
        "FinaleExtensionGetMenuStatus", "FinaleExtensionInvoke",
        "FinaleExtensionTerminate"};
    return names;
}

PluginModule::~PluginModule() {
    if (module_ != nullptr) FreeLibrary(module_);
}

FARPROC PluginModule::Resolve(const char* name) {
    FARPROC address = GetProcAddress(module_, name);
    if (address == nullptr) missing_.push_back(name);
    return address;
}

bool PluginModule::Load(const std::wstring& path) {
    module_ = LoadLibraryW(path.c_str());
    if (module_ == nullptr) {
        loadError_ = GetLastError();
        return false;
    }
    version_ = As<VersionFn>(Resolve("FinaleExtensionVersion"));
    init_ = As<InitFn>(Resolve("FinaleExtensionInit"));
    enumerate_ = As<EnumerateFn>(Resolve("FinaleExtensionEnumerate"));
    enumerateUtf16_ = As<EnumerateFn>(Resolve("FinaleExtensionEnumerate_UTF16"));
    status_ = As<StatusFn>(Resolve("FinaleExtensionGetMenuStatus"));
    invoke_ = As<InvokeFn>(Resolve("FinaleExtensionInvoke"));
    terminate_ = As<TerminateFn>(Resolve("FinaleExtensionTerminate"));
    return true;
}

uint32_t PluginModule::Version(uint32_t version) {
    if (version_ == nullptr) return 0;
    return static_cast<uint32_t>(version_(kGarbage32 | version) & 0xFFFFFFFFu);
}

int16_t PluginModule::Init(uint32_t* flags) {
    if (init_ == nullptr) return 0;
    return Low16(init_(kGarbageContext, flags));
}

int16_t PluginModule::Enumerate(uint16_t index, void* item) {
    return EnumerateRaw(kGarbage | index, item);
}

int16_t PluginModule::EnumerateRaw(uint64_t index, void* item) {
    if (enumerate_ == nullptr) return 0;
    return Low16(enumerate_(kGarbageContext, index, item));
}

int16_t PluginModule::EnumerateUtf16(uint16_t index, void* item) {
    if (enumerateUtf16_ == nullptr) return 0;
    return Low16(enumerateUtf16_(kGarbageContext, kGarbage | index, item));
}

int16_t PluginModule::GetMenuStatus(uint16_t index) { return GetMenuStatusRaw(kGarbage | index); }

int16_t PluginModule::GetMenuStatusRaw(uint64_t index) {
    if (status_ == nullptr) return 0;
    return Low16(status_(index));
}

int16_t PluginModule::Invoke(HWND window, uint16_t index, const void* region) {
    return InvokeRaw(window, kGarbage | index, region);
}

int16_t PluginModule::InvokeRaw(HWND window, uint64_t index, const void* region) {
    if (invoke_ == nullptr) return 0;
    return Low16(invoke_(window, index, region));
}

void PluginModule::Terminate() {
    if (terminate_ != nullptr) terminate_();
}

}  // namespace emulator
