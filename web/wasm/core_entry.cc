// The page's door into the core: motifgraft's own command line, run over emscripten's in-memory
// file system. The worker writes the score there, calls motifgraft_run with the same arguments
// a user would type, and reads back the files the command wrote and the text it printed. Nothing
// of the command is restated here, so the page and the tool cannot disagree.
#include <emscripten/emscripten.h>
#include <sys/stat.h>

#include <exception>
#include <sstream>
#include <string>
#include <vector>

#include "musicxml/cli/cli.h"

namespace {

// What the last run printed; valid until the next run.
std::string lastOut;
std::string lastErr;

}  // namespace

extern "C" {

// Runs `motifgraft ARGS...` and returns its exit status. `argv` holds `argc` NUL-terminated
// UTF-8 strings owned by the caller.
EMSCRIPTEN_KEEPALIVE int motifgraft_run(int argc, const char* const* argv) {
    // emscripten starts a module with the umask 0777, so every file the command writes would
    // be unreadable; a login shell's usual mask is what the tool meets on a desktop.
    ::umask(022);
    std::ostringstream out;
    std::ostringstream err;
    int status = qz::musicxml::kExitUnusable;
    try {
        status = qz::musicxml::RunMotifgraft(std::vector<std::string>(argv, argv + argc), out, err);
    } catch (const std::exception& e) {
        err << "motifgraft: " << e.what() << "\n";
    } catch (...) {
        err << "motifgraft: unexpected failure\n";
    }
    lastOut = out.str();
    lastErr = err.str();
    return status;
}

// Standard output and standard error of the last run.
EMSCRIPTEN_KEEPALIVE const char* motifgraft_stdout() { return lastOut.c_str(); }
EMSCRIPTEN_KEEPALIVE const char* motifgraft_stderr() { return lastErr.c_str(); }

}  // extern "C"
