// The native stand-in for the platform seam: what a unit test sees instead of Windows.
//
// It keeps a table of "loaded modules", each with a table of exported procedures, and records
// every message box instead of showing it. A test fills the tables (usually through the host
// simulator's installer), runs plug-in code, then reads the recordings. Reset() brings the
// stand-in back to an empty process: no module, no window, no box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace qz::platform::stand_in {

struct MessageBoxRecord {
    WindowHandle owner;
    std::u16string text;
    std::u16string caption;
    uint32_t style;
};

// Forgets every module, procedure, window and recording.
void Reset();

// Makes a module of this file name "loaded" and returns its handle. Loading the same name again
// returns the same handle.
ModuleHandle AddModule(const std::string& name);

// Lets `module` export `procedure` under `name`.
void AddProcedure(ModuleHandle module, const std::string& name, ProcAddress procedure);

// Makes `window` a valid window for IsWindow.
void AddWindow(WindowHandle window);

// What the plug-in asked of the stand-in so far.
const std::vector<MessageBoxRecord>& MessageBoxes();
int ModuleLookups();     // calls of FindLoadedModule
int ProcedureLookups();  // calls of FindProcedure
int WindowQueries();     // calls of IsWindow

}  // namespace qz::platform::stand_in
