// The embedded host: an in-memory host holding the score, handed to a freshly loaded plug-in,
// which is driven through the calls its exports forward, as the host program drives it.
//
// One EmbeddedHost per run; it owns the in-memory host and the plug-in.
#pragma once

#include <string>
#include <vector>

#include "memhost/mem_host.h"
#include "musicxml/read/selection.h"
#include "shell/plugin.h"

namespace qz::musicxml {

struct CreateOutcome {
    bool created = false;  // CREATE ran to its end
    std::string message;   // the plug-in's error box text when it refused
};

class EmbeddedHost {
public:
    EmbeddedHost();
    ~EmbeddedHost();
    EmbeddedHost(const EmbeddedHost&) = delete;
    EmbeddedHost& operator=(const EmbeddedHost&) = delete;

    memhost::MemHost& Host() { return host_; }
    memhost::Document& Document() { return *document_; }

    // Loads the plug-in as the host does (Version, Init, Enumerate of both commands, menu
    // status), then selects `source` and runs SET SOURCE, then selects the whole score and
    // runs CREATE once per region of `destination`, in order, as a user would after one SET
    // SOURCE; the first refusal ends the run. `slots` and `measures` give the score's extent,
    // which the host reports as its current selection during CREATE so that no layer is cut
    // short by it.
    // `observer` hears every repeat of every CREATE.
    CreateOutcome Run(const Selection& source, const std::vector<Selection>& destination,
                      int slots, int measures, engine::CreateObserver& observer);

private:
    memhost::MemHost host_;
    memhost::Document* document_ = nullptr;
    shell::Plugin plugin_;
};

}  // namespace qz::musicxml
