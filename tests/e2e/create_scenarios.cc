// CREATE end to end: the real plug-in rewrites the simulated score, carrying pitches,
// articulations and entry details over to the new rhythm. Needs the pattern engine.
#include "e2e_support.h"
#include "host/edata_key.h"
#include "host/exentry.h"

namespace {

namespace ex = qz::host::exentry;

// A document with `staves` staves (instruments 21, 22, ...) of `measures` 4/4 measures.
hostsim::Document& NewScore(hostsim::SimHost& sim, int staves, int measures) {
    hostsim::Document& doc = sim.AddDocument();
    sim.SetCurrentDocument(doc.Id());
    for (int s = 0; s < staves; ++s) doc.AddStaff(static_cast<int16_t>(21 + s));
    doc.SetMeasureCount(measures);
    return doc;
}

std::string Music(const hostsim::Document& doc, int slot, int measure, int layer = 0) {
    return doc.Describe(doc.SlotToInstrument(slot), measure, layer);
}

const unsigned char* Record(hostsim::Document& doc, int slot, int measure, int i) {
    return doc.Entries(doc.SlotToInstrument(slot), measure, 0).at(static_cast<std::size_t>(i)).data();
}

void SetSourceAndCreate(emulator::Session& session, const emulator::Selection& source,
                        const emulator::Selection& destination) {
    session.Invoke(e2e::kSetSource, source);
    e2e::ExpectNoBox(session);
    e2e::ExpectCreateStatus(session, 1, "after SET SOURCE");
    const int16_t result = session.Invoke(e2e::kCreate, destination);
    session.checks.ExpectEqual("CREATE returns", result, 1);
    e2e::ExpectNoBox(session);
}

}  // namespace

// The worked example: half-note chords take a quarter-note rhythm with a rest, on two staves and
// two repeats; the source and the measures outside the destination stay as they were.
QZ_SCENARIO(create_rewrites_chords_in_the_source_rhythm, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 3, 5);
    doc.Write(21, 1, 0, "C5/4 C5/4 r/4 C5/4");
    for (int slot = 2; slot <= 3; ++slot) {
        doc.Write(20 + slot, 2, 0, "C4+E4+G4/2 F4+A4+C5/2");
        doc.Write(20 + slot, 3, 0, "D4+F4+A4/2 r/2");
        doc.Write(20 + slot, 4, 0, "G3+B3+D4/1");
    }
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 1), emulator::WholeMeasures(2, 3, 2, 4));
    for (int slot = 2; slot <= 3; ++slot) {
        const std::string staff = "staff " + std::to_string(slot);
        session.checks.ExpectEqual(staff + " measure 2", Music(doc, slot, 2),
                                   "C4+E4+G4/4 C4+E4+G4/4 r/4 F4+A4+C5/4");
        session.checks.ExpectEqual(staff + " measure 3 (a destination rest silences the rhythm)",
                                   Music(doc, slot, 3), "D4+F4+A4/4 D4+F4+A4/4 r/4 r/4");
        session.checks.ExpectEqual(staff + " measure 4", Music(doc, slot, 4),
                                   "G3+B3+D4/4 G3+B3+D4/4 r/4 G3+B3+D4/4");
        session.checks.ExpectEqual(staff + " measure 5 (outside)", Music(doc, slot, 5), "");
    }
    session.checks.ExpectEqual("the source", Music(doc, 1, 1), "C5/4 C5/4 r/4 C5/4");
    // The entries the host numbered at the save, and the old-host mark left alone.
    const unsigned char* first = Record(doc, 2, 2, 0);
    session.checks.Expect(ex::EntryNumber(first) != 0, "rebuilt entries are numbered",
                          std::to_string(ex::EntryNumber(first)));
    session.checks.ExpectEqualHex("extraFlags 0x0004 on a current host", ex::ExtraFlags(first) & 4u, 0);
}

// A host that announces a version below 0x12000000 gets the received-pitches mark.
QZ_SCENARIO(create_marks_pitches_for_an_old_host, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 2, 1);
    doc.Write(21, 1, 0, "C5/2 r/2");
    doc.Write(22, 1, 0, "E4+G4/1");
    session.checks.ExpectEqualHex("FinaleExtensionVersion answers", session.plugin.Version(0x11000000),
                                  0x11000000);
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 1), emulator::WholeMeasures(2, 2, 1, 1));
    session.checks.ExpectEqual("measure 1", Music(doc, 2, 1), "E4+G4/2 r/2");
    session.checks.ExpectEqualHex("extraFlags 0x0004 on the entry that took pitches",
                                  ex::ExtraFlags(Record(doc, 2, 1, 0)) & 4u, 4);
    session.checks.ExpectEqualHex("no mark on the rest", ex::ExtraFlags(Record(doc, 2, 1, 1)) & 4u, 0);
}

// Articulations of the old destination entries come first, the source's follow without
// repeating a kind; the source entries' detail records are copied under the new numbers.
QZ_SCENARIO(create_merges_articulations_and_copies_details, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 2, 1);
    doc.Write(21, 1, 0, "C5/4@7@3+d2 C5/4 C5/4@5 C5/4+d");
    doc.Write(22, 1, 0, "D4+F4/2@3 E4+G4/2@9");
    const uint32_t firstSource = ex::EntryNumber(Record(doc, 1, 1, 0));
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 1), emulator::WholeMeasures(2, 2, 1, 1));

    session.checks.ExpectEqual("measure 1 with articulations and details", Music(doc, 2, 1),
                               "D4+F4/4@3@7+d2 D4+F4/4 E4+G4/4@9@5 E4+G4/4+d");
    const unsigned char* rebuilt = Record(doc, 2, 1, 0);
    const uint32_t number = ex::EntryNumber(rebuilt);
    const std::vector<int> merged = doc.ArticulationsOf(number);
    session.checks.ExpectEqual("articulation count of the first entry", static_cast<int64_t>(merged.size()), 2);
    if (merged.size() == 2) {
        session.checks.ExpectEqual("index 0 (from the destination)", merged[0], 3);
        session.checks.ExpectEqual("index 1 (from the source)", merged[1], 7);
    }
    session.checks.ExpectEqualHex("ENTRY_HAS_ARTICULATIONS on it", ex::Flags(rebuilt) & ex::ENTRY_HAS_ARTICULATIONS,
                                  ex::ENTRY_HAS_ARTICULATIONS);
    session.checks.ExpectEqualHex("ENTRY_HAS_DETAILS on it", ex::Flags(rebuilt) & ex::ENTRY_HAS_DETAILS,
                                  ex::ENTRY_HAS_DETAILS);
    for (int16_t sub = 0; sub < 2; ++sub) {
        auto copied = doc.EData().find({hostsim::kDetailTag, static_cast<int64_t>(number), sub});
        auto original = doc.EData().find({hostsim::kDetailTag, static_cast<int64_t>(firstSource), sub});
        const bool same = copied != doc.EData().end() && original != doc.EData().end() &&
                          copied->second == original->second;
        session.checks.Expect(same, "detail record " + std::to_string(sub) + " copied byte for byte",
                              same ? "equal" : "missing or different");
    }
    session.checks.ExpectEqualHex("no ENTRY_HAS_DETAILS on an entry without source details",
                                  ex::Flags(Record(doc, 2, 1, 1)) & ex::ENTRY_HAS_DETAILS, 0);
    session.checks.ExpectEqual("the source keeps its own", Music(doc, 1, 1), "C5/4@7@3+d2 C5/4 C5/4@5 C5/4+d");
}

// A repeat whose rhythm cannot take the source, a hidden layer and an empty layer stay as they
// were, while the repeat that fits is rewritten.
QZ_SCENARIO(create_leaves_what_does_not_fit, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 2, 2);
    doc.Write(21, 1, 0, "C5/2 C5/2");
    doc.Write(22, 1, 0, "D4/1");
    doc.Write(22, 2, 0, "E4/4 E4/2.");  // an entry at a quarter: the source has none there
    doc.Write(22, 1, 2, "F3/1");        // layer 3, hidden
    session.sim.SetLayerShown(2, false);
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 1), emulator::WholeMeasures(2, 2, 1, 2));
    session.checks.ExpectEqual("the repeat that fits", Music(doc, 2, 1), "D4/2 D4/2");
    session.checks.ExpectEqual("the repeat that does not fit", Music(doc, 2, 2), "E4/4 E4/2.");
    session.checks.ExpectEqual("the hidden layer", Music(doc, 2, 1, 2), "F3/1");
    session.checks.ExpectEqual("an empty layer stays empty", Music(doc, 2, 1, 1), "");
}
