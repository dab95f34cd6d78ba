// CREATE end to end: the real plug-in rewrites the simulated score, carrying pitches,
// articulations and entry details over to the new rhythm. Needs the pattern engine.
#include <functional>

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
    return hostsim::DescribeMeasure(doc, doc.SlotToInstrument(slot), measure, layer);
}

const unsigned char* Record(hostsim::Document& doc, int slot, int measure, int i) {
    return doc.Entries(doc.SlotToInstrument(slot), measure, 0).at(static_cast<std::size_t>(i)).data();
}

// Marks stored entry i of layer 1 as having articulations, whether or not it has any.
void MarkArticulations(hostsim::Document& doc, int slot, int measure, int i) {
    unsigned char* record = doc.Entries(doc.SlotToInstrument(slot), measure, 0).at(static_cast<std::size_t>(i)).data();
    ex::SetFlags(record, ex::Flags(record) | ex::ENTRY_HAS_ARTICULATIONS);
}

// `beforeCreate` runs between the two commands (a host fault for CREATE only, say).
void SetSourceAndCreate(emulator::Session& session, const emulator::Selection& source,
                        const emulator::Selection& destination,
                        const std::function<void()>& beforeCreate = nullptr) {
    session.Invoke(e2e::kSetSource, source);
    e2e::ExpectNoBox(session);
    e2e::ExpectCreateStatus(session, 1, "after SET SOURCE");
    if (beforeCreate) beforeCreate();
    const int16_t result = session.Invoke(e2e::kCreate, destination);
    session.checks.ExpectEqual("CREATE returns", result, 1);
    e2e::ExpectNoBox(session);
}

}  // namespace

// The worked example: half-note chords take a quarter-note rhythm with a rest, on two staves and
// two repeats; the source and the measures outside the destination stay as they were.
QZ_SCENARIO(create_rewrites_chords_in_the_source_rhythm, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 3, 5);
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/4 C5/4 r/4 C5/4");
    for (int slot = 2; slot <= 3; ++slot) {
        hostsim::WriteMeasure(doc, 20 + slot, 2, 0, "C4+E4+G4/2 F4+A4+C5/2");
        hostsim::WriteMeasure(doc, 20 + slot, 3, 0, "D4+F4+A4/2 r/2");
        hostsim::WriteMeasure(doc, 20 + slot, 4, 0, "G3+B3+D4/1");
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
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/2 r/2");
    hostsim::WriteMeasure(doc, 22, 1, 0, "E4+G4/1");
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
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/4@7@3+d2 C5/4 C5/4@5 C5/4+d");
    hostsim::WriteMeasure(doc, 22, 1, 0, "D4+F4/2@3 E4+G4/2@9");
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
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(doc, 22, 1, 0, "D4/1");
    hostsim::WriteMeasure(doc, 22, 2, 0, "E4/4 E4/2.");  // an entry at a quarter: the source has none there
    hostsim::WriteMeasure(doc, 22, 1, 2, "F3/1");        // layer 3, hidden
    session.sim.SetLayerShown(2, false);
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 1), emulator::WholeMeasures(2, 2, 1, 2));
    session.checks.ExpectEqual("the repeat that fits", Music(doc, 2, 1), "D4/2 D4/2");
    session.checks.ExpectEqual("the repeat that does not fit", Music(doc, 2, 2), "E4/4 E4/2.");
    session.checks.ExpectEqual("the hidden layer", Music(doc, 2, 1, 2), "F3/1");
    session.checks.ExpectEqual("an empty layer stays empty", Music(doc, 2, 1, 1), "");
}

// An articulation mark with no record behind it, on a destination entry and on a source entry:
// nothing loads for either, so nothing moves from them, and the repeat is rewritten all the same
// (the other entries' articulations and the source's details come along).
QZ_SCENARIO(create_rewrites_past_an_articulation_mark_without_records, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 2, 1);
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/4+d C5/4@5 C5/4 r/4");
    hostsim::WriteMeasure(doc, 22, 1, 0, "D4+F4/2 E4/2@3");
    MarkArticulations(doc, 1, 1, 0);
    MarkArticulations(doc, 2, 1, 0);
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 1), emulator::WholeMeasures(2, 2, 1, 1));
    session.checks.ExpectEqual("measure 1", Music(doc, 2, 1), "D4+F4/4+d D4+F4/4@5 E4/4@3 r/4");
    session.checks.ExpectEqualHex("no articulation mark where none moved",
                                  ex::Flags(Record(doc, 2, 1, 0)) & ex::ENTRY_HAS_ARTICULATIONS, 0);
    session.checks.ExpectEqual("the source", Music(doc, 1, 1), "C5/4+d C5/4@5 C5/4 r/4");
}

// A host whose every extended-data read fails loads no articulation: rhythm and pitches are
// rewritten, no articulation moves, and the details, which come with the source's frame, do.
QZ_SCENARIO(create_rewrites_when_no_articulation_can_be_read, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 2, 1);
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/4@7+d C5/4@5 C5/4 r/4");
    hostsim::WriteMeasure(doc, 22, 1, 0, "D4+F4/2@3 E4/2@9");
    const uint32_t oldFirst = ex::EntryNumber(Record(doc, 2, 1, 0));
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 1), emulator::WholeMeasures(2, 2, 1, 1),
                       [&] { session.sim.AddFault({"FX_LoadEData", 1, /*persistent=*/true}); });
    session.checks.ExpectEqual("measure 1", Music(doc, 2, 1), "D4+F4/4+d D4+F4/4 E4/4 r/4");
    session.checks.ExpectEqual("the old entry's records stay where they were",
                               static_cast<int64_t>(doc.ArticulationsOf(oldFirst).size()), 1);
    session.checks.ExpectEqual("the source", Music(doc, 1, 1), "C5/4@7+d C5/4@5 C5/4 r/4");
}

// A source cut at the end of the host's current region (measure 2) holds one measure of the two
// of a repeat: the first measure of each repeat is rewritten, the second, empty, stays empty. A
// repeat with music in its second measure finds no source entry there and stays as it was.
QZ_SCENARIO(create_rewrites_the_measures_a_cut_source_reaches, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 3, 3);
    hostsim::WriteMeasure(doc, 21, 2, 0, "C5/4 C5/4 r/4 C5/4");
    hostsim::WriteMeasure(doc, 21, 3, 0, "C5/1");
    hostsim::WriteMeasure(doc, 22, 1, 0, "C4+E4+G4/2 F4+A4+C5/2");
    hostsim::WriteMeasure(doc, 23, 1, 0, "D4/1");
    hostsim::WriteMeasure(doc, 23, 2, 0, "E4/1");
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 2, 3), emulator::WholeMeasures(2, 3, 1, 2));
    session.checks.ExpectEqual("staff 2 measure 1", Music(doc, 2, 1), "C4+E4+G4/4 C4+E4+G4/4 r/4 F4+A4+C5/4");
    session.checks.ExpectEqual("staff 2 measure 2 (no source measure)", Music(doc, 2, 2), "");
    session.checks.ExpectEqual("staff 3 measure 1 (repeat does not fit)", Music(doc, 3, 1), "D4/1");
    session.checks.ExpectEqual("staff 3 measure 2", Music(doc, 3, 2), "E4/1");
    session.checks.ExpectEqual("the source's measure 2", Music(doc, 1, 2), "C5/4 C5/4 r/4 C5/4");
}

// A source region from measure 0 to 1 counts two measures but holds only measure 1: each
// two-measure repeat has its first measure rewritten and its second left empty.
QZ_SCENARIO(create_from_a_source_starting_at_measure_0, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 2, 4);
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/4 C5/4 r/4 C5/4");
    hostsim::WriteMeasure(doc, 22, 1, 0, "C4+E4+G4/2 F4+A4+C5/2");
    hostsim::WriteMeasure(doc, 22, 3, 0, "D4+F4+A4/1");
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 0, 1), emulator::WholeMeasures(2, 2, 1, 4));
    session.checks.ExpectEqual("measure 1", Music(doc, 2, 1), "C4+E4+G4/4 C4+E4+G4/4 r/4 F4+A4+C5/4");
    session.checks.ExpectEqual("measure 2", Music(doc, 2, 2), "");
    session.checks.ExpectEqual("measure 3", Music(doc, 2, 3), "D4+F4+A4/4 D4+F4+A4/4 r/4 D4+F4+A4/4");
    session.checks.ExpectEqual("measure 4", Music(doc, 2, 4), "");
}

// The host marks measure 4 of the destination skipSave: it is neither saved nor given records,
// and measure 3 of the same repeat is rewritten with its articulations and details.
QZ_SCENARIO(create_leaves_a_skip_save_measure_and_rewrites_the_rest, FINALE, "engine") {
    hostsim::Document& doc = NewScore(session.sim, 2, 4);
    hostsim::WriteMeasure(doc, 21, 1, 0, "C5/4 C5/4@5 r/4 C5/4+d");
    hostsim::WriteMeasure(doc, 21, 2, 0, "C5/2 C5/2");
    hostsim::WriteMeasure(doc, 22, 3, 0, "D4+F4/2@3 E4/2");
    hostsim::WriteMeasure(doc, 22, 4, 0, "G4/1@4");
    session.sim.MarkSkipSave(2, 4, 0);
    SetSourceAndCreate(session, emulator::WholeMeasures(1, 1, 1, 2), emulator::WholeMeasures(2, 2, 3, 4));
    session.checks.ExpectEqual("measure 3", Music(doc, 2, 3), "D4+F4/4@3 D4+F4/4@5 r/4 E4/4+d");
    session.checks.ExpectEqual("measure 4 (skipSave)", Music(doc, 2, 4), "G4/1@4");
    int unnumbered = 0;
    for (const auto& [key, bytes] : doc.EData()) unnumbered += key.first == 0 ? 1 : 0;
    session.checks.ExpectEqual("records under entry number 0", unnumbered, 0);
}
