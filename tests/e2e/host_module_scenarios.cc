// How the plug-in finds its host: the program module FINALE.EXE, else FINDEMO.EXE, and nothing
// under any other name. Under HOSTLESS.EXE the same program runs, but the plug-in cannot reach
// its FX_ functions: the commands still answer, none crashes, and no box appears that the
// commands themselves do not show.
#include "e2e_support.h"
#include "hostsim/emulator/printable.h"

namespace {

using emulator::WholeMeasures;

// Every host call the plug-in made ends with the interface version.
void ExpectCallVersions(emulator::Session& session) {
    int wrong = 0;
    for (const hostsim::Call& call : session.sim.Calls())
        if (call.args.empty() || call.args.back() != 0x19000000) ++wrong;
    session.checks.ExpectEqual("host calls not ending with version 0x19000000", wrong, 0);
}

void ExpectNoHostCalls(emulator::Session& session, const std::string& when) {
    std::string first = session.sim.Calls().empty() ? "" : ", first " + session.sim.Calls()[0].name;
    session.checks.Expect(session.sim.Calls().empty(), "no host function reached " + when,
                          std::to_string(session.sim.Calls().size()) + " calls" + first);
}

// The host is found when the document test of CREATE sees the current document change.
void ExpectHostFound(emulator::Session& session) {
    hostsim::Document& first = e2e::AddPlainScore(session.sim, 3, 8);
    hostsim::Document& second = e2e::AddPlainScore(session.sim, 3, 8);
    session.sim.SetCurrentDocument(first.Id());
    session.Invoke(e2e::kSetSource, WholeMeasures(1, 1, 1, 2));
    e2e::ExpectNoBox(session);
    session.checks.Expect(session.sim.CallCount("FX_GetCurrentEnigmaDocument") > 0,
                          "SET SOURCE asked the host for the current document",
                          std::to_string(session.sim.CallCount("FX_GetCurrentEnigmaDocument")) +
                              " calls");
    session.sim.SetCurrentDocument(second.Id());
    int16_t result = session.Invoke(e2e::kCreate, WholeMeasures(2, 3, 1, 2));
    session.checks.ExpectEqual("CREATE in another document returns", result, 0);
    e2e::ExpectErrorBox(session, e2e::kCreateCaption, e2e::kDocumentMismatch);
    ExpectCallVersions(session);
}

}  // namespace

QZ_SCENARIO(finale_host, FINALE, "") { ExpectHostFound(session); }

QZ_SCENARIO(findemo_host, FINDEMO, "") { ExpectHostFound(session); }

QZ_SCENARIO(hostless_set_source, HOSTLESS, "") {
    e2e::AddPlainScore(session.sim, 3, 8);
    emulator::Checks& checks = session.checks;
    uint32_t flags = 0;
    checks.ExpectEqual("Init returns", session.plugin.Init(&flags), 1);
    std::vector<unsigned char> item(196, 0);
    checks.ExpectEqual("Enumerate of CREATE returns", session.plugin.Enumerate(1, item.data()), 1);
    checks.ExpectEqual("menu status of SET SOURCE", session.plugin.GetMenuStatus(0), 1);
    e2e::ExpectCreateStatus(session, 0, "right after load");
    e2e::ExpectNoBox(session);  // the binding has nothing to say of the missing host

    int16_t result = session.Invoke(e2e::kCreate, WholeMeasures(1, 2, 1, 2));
    checks.ExpectEqual("CREATE before any source returns", result, 0);
    e2e::ExpectNoBox(session);

    session.Invoke(e2e::kSetSource, WholeMeasures(1, 2, 1, 2));
    e2e::ExpectErrorBox(session, e2e::kSourceCaption, e2e::kSourceTwoStaves);
    e2e::ExpectCreateStatus(session, 0, "after the refused SET SOURCE");

    emulator::Selection partial = WholeMeasures(1, 1, 1, 2);
    partial.startPosition = 2048;
    session.Invoke(e2e::kSetSource, partial);
    e2e::ExpectErrorBox(session, e2e::kSourceCaption, e2e::kSourcePartial);

    session.Invoke(e2e::kSetSource, WholeMeasures(1, 1, 1, 2));
    e2e::ExpectNoBox(session);
    e2e::ExpectCreateStatus(session, 1, "after an accepted SET SOURCE");

    session.Invoke(e2e::kCreate, WholeMeasures(2, 3, 1, 3));
    e2e::ExpectErrorBox(session, e2e::kCreateCaption, e2e::kDestinationLength);
    ExpectNoHostCalls(session, "(the plug-in found no host module)");
}

// Needs the pattern engine. Without a host, the source staff cannot be read: the user is told
// that the source holds nothing, which is what the plug-in can see of it.
QZ_SCENARIO(hostless_create, HOSTLESS, "engine") {
    hostsim::Document& document = e2e::AddPlainScore(session.sim, 3, 8);
    session.Invoke(e2e::kSetSource, WholeMeasures(1, 1, 1, 2));
    e2e::ExpectNoBox(session);
    e2e::DocumentState before = e2e::Snapshot(document);
    int16_t result = session.Invoke(e2e::kCreate, WholeMeasures(2, 3, 1, 4));
    session.checks.ExpectEqual("CREATE without a host returns", result, 0);
    e2e::ExpectErrorBox(session, e2e::kCreateCaption, e2e::kNoSourceEntries);
    e2e::ExpectUnchanged(session, document, before, "");
    e2e::ExpectCreateStatus(session, 1, "after the failed CREATE");
    ExpectNoHostCalls(session, "(the plug-in found no host module)");
}
