// Native implementation of the platform seam: tables a test fills instead of a process's modules.
#include <map>

#include "platform/native_stand_in.h"

namespace qz::platform {
namespace {

struct StandIn {
    std::map<std::string, ModuleHandle> modules;
    std::map<ModuleHandle, std::map<std::string, ProcAddress>> procedures;
    std::vector<WindowHandle> windows;
    std::vector<stand_in::MessageBoxRecord> boxes;
    int moduleLookups = 0;
    int procedureLookups = 0;
    int windowQueries = 0;
    uintptr_t nextHandle = 0x10000;
};

StandIn& State() {
    static StandIn state;
    return state;
}

}  // namespace

ModuleHandle FindLoadedModule(const char* name) {
    StandIn& s = State();
    ++s.moduleLookups;
    if (name == nullptr) return nullptr;
    auto it = s.modules.find(name);
    return it == s.modules.end() ? nullptr : it->second;
}

ProcAddress FindProcedure(ModuleHandle module, const char* name) {
    StandIn& s = State();
    ++s.procedureLookups;
    if (module == nullptr || name == nullptr) return nullptr;
    auto table = s.procedures.find(module);
    if (table == s.procedures.end()) return nullptr;
    auto it = table->second.find(name);
    return it == table->second.end() ? nullptr : it->second;
}

bool IsWindow(WindowHandle window) {
    StandIn& s = State();
    ++s.windowQueries;
    for (WindowHandle w : s.windows)
        if (w == window) return true;
    return false;
}

void ShowMessageBox(WindowHandle owner, const char16_t* text, const char16_t* caption,
                    uint32_t style) {
    State().boxes.push_back({owner, text ? text : u"", caption ? caption : u"", style});
}

namespace stand_in {

void Reset() { State() = StandIn{}; }

ModuleHandle AddModule(const std::string& name) {
    StandIn& s = State();
    auto it = s.modules.find(name);
    if (it != s.modules.end()) return it->second;
    ModuleHandle handle = reinterpret_cast<ModuleHandle>(s.nextHandle);
    s.nextHandle += 0x1000;
    s.modules[name] = handle;
    return handle;
}

void AddProcedure(ModuleHandle module, const std::string& name, ProcAddress procedure) {
    State().procedures[module][name] = procedure;
}

void AddWindow(WindowHandle window) { State().windows.push_back(window); }

const std::vector<MessageBoxRecord>& MessageBoxes() { return State().boxes; }
int ModuleLookups() { return State().moduleLookups; }
int ProcedureLookups() { return State().procedureLookups; }
int WindowQueries() { return State().windowQueries; }

}  // namespace stand_in
}  // namespace qz::platform
