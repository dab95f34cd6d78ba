// The menu's view of the stored source: CREATE available only after a SET SOURCE that passed,
// and refused silently before one.
#include "e2e_support.h"

namespace {

using emulator::Selection;
using emulator::WholeMeasures;

}  // namespace

QZ_SCENARIO(menu_status, FINALE, "") {
    e2e::AddPlainScore(session.sim, 3, 8);
    emulator::Checks& checks = session.checks;
    const uint16_t alwaysOn[] = {0, 7, 0xFFFF};
    for (uint16_t index : alwaysOn)
        checks.ExpectEqual("menu status of index " + std::to_string(static_cast<int16_t>(index)) +
                               " right after load",
                           session.plugin.GetMenuStatus(index), 1);
    e2e::ExpectCreateStatus(session, 0, "right after load");
    checks.ExpectEqual("status word 0x0000000100000001 reads as CREATE",
                       session.plugin.GetMenuStatusRaw(0x0000000100000001ull), 0);

    int16_t result = session.Invoke(e2e::kSetSource, WholeMeasures(2, 2, 3, 4));
    checks.ExpectEqual("SET SOURCE of measures 3-4 on one staff returns", result, 0);
    e2e::ExpectNoBox(session);
    e2e::ExpectCreateStatus(session, 1, "after an accepted SET SOURCE");
    for (uint16_t index : alwaysOn)
        checks.ExpectEqual("menu status of index " + std::to_string(static_cast<int16_t>(index)) +
                               " with a source",
                           session.plugin.GetMenuStatus(index), 1);

    result = session.Invoke(e2e::kSetSource, WholeMeasures(1, 2, 3, 4));
    checks.ExpectEqual("SET SOURCE on two staves returns", result, 0);
    e2e::ExpectErrorBox(session, e2e::kSourceCaption, e2e::kSourceTwoStaves);
    e2e::ExpectCreateStatus(session, 0, "after a refused SET SOURCE replaced an accepted one");
    result = session.Invoke(e2e::kCreate, WholeMeasures(1, 3, 1, 2));
    checks.ExpectEqual("CREATE after the refused source returns", result, 0);
    e2e::ExpectNoBox(session);

    // An empty selection with equal slots is a source too.
    Selection empty = WholeMeasures(1, 1, 0, 0);
    empty.endPosition = 0;
    session.Invoke(e2e::kSetSource, empty);
    e2e::ExpectNoBox(session);
    e2e::ExpectCreateStatus(session, 1, "after SET SOURCE of an empty one-staff selection");

    session.Invoke(e2e::kSetSource, WholeMeasures(3, 3, 5, 5));
    e2e::ExpectNoBox(session);
    // A CREATE that fails leaves the source as it was.
    Selection partial = WholeMeasures(1, 1, 1, 1);
    partial.startPosition = 1024;
    session.Invoke(e2e::kCreate, partial);
    e2e::ExpectErrorBox(session, e2e::kCreateCaption, e2e::kDestinationPartial);
    e2e::ExpectCreateStatus(session, 1, "after a CREATE that failed");
    session.plugin.Terminate();
    e2e::ExpectCreateStatus(session, 1, "after FinaleExtensionTerminate");
}

QZ_SCENARIO(create_before_source, FINALE, "") {
    e2e::AddPlainScore(session.sim, 2, 4);
    session.sim.ClearCalls();
    const uint16_t indexes[] = {1, 2, 0x7FFF};
    for (uint16_t index : indexes) {
        int16_t result = session.Invoke(index, WholeMeasures(1, 2, 1, 2));
        session.checks.ExpectEqual(
            "command " + std::to_string(index) + " before any source returns", result, 0);
        e2e::ExpectNoBox(session);
    }
    session.checks.ExpectEqual("host functions called by the refused commands",
                               static_cast<int64_t>(session.sim.Calls().size()), 0);
    int16_t result = session.InvokeWithoutRegion(e2e::kCreate);
    session.checks.ExpectEqual("CREATE with no region record, before any source, returns", result,
                               0);
    e2e::ExpectNoBox(session);
    e2e::ExpectCreateStatus(session, 0, "afterwards");
}

// The host always passes its selection to SET SOURCE; a null record must still be harmless.
QZ_SCENARIO(set_source_without_region, FINALE, "") {
    hostsim::Document& document = e2e::AddPlainScore(session.sim, 2, 4);
    e2e::DocumentState before = e2e::Snapshot(document);
    int16_t result = session.InvokeWithoutRegion(e2e::kSetSource);
    session.checks.ExpectEqual("SET SOURCE with no region record returns", result, 0);
    e2e::ExpectNoBox(session);
    session.checks.Note("menu status of CREATE afterwards: " +
                        std::to_string(session.plugin.GetMenuStatus(e2e::kCreate)));
    e2e::ExpectUnchanged(session, document, before, "");
}
