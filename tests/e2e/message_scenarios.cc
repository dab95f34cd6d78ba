// Every refusal as the user sees it: one modal error box over the host window with the message,
// the command's caption, an OK button and the error icon, and the document left alone.
#include "e2e_support.h"

namespace {

using emulator::Selection;
using emulator::WholeMeasures;

Selection StartingAt(Selection s, int32_t position) {
    s.startPosition = position;
    return s;
}

Selection EndingAt(Selection s, int32_t position) {
    s.endPosition = position;
    return s;
}

// SET SOURCE of `selection` must be refused with `message`, and leave CREATE unavailable.
void ExpectSourceRefused(emulator::Session& session, const Selection& selection,
                         const std::string& message) {
    int16_t result = session.Invoke(e2e::kSetSource, selection);
    session.checks.ExpectEqual("SET SOURCE returns", result, 0);
    e2e::ExpectErrorBox(session, e2e::kSourceCaption, message);
    e2e::ExpectCreateStatus(session, 0, "after the refused SET SOURCE");
}

// CREATE of `selection` must be refused with `message`, leaving the document and the source.
void ExpectCreateRefused(emulator::Session& session, const Selection& selection,
                         const std::string& message) {
    const hostsim::Document& document = session.sim.CurrentDocument();
    e2e::DocumentState before = e2e::Snapshot(document);
    int16_t result = session.Invoke(e2e::kCreate, selection);
    session.checks.ExpectEqual("CREATE returns", result, 0);
    e2e::ExpectErrorBox(session, e2e::kCreateCaption, message);
    e2e::ExpectUnchanged(session, document, before, "after the refused CREATE");
    e2e::ExpectCreateStatus(session, 1, "after the refused CREATE");
}

void AcceptSource(emulator::Session& session, const Selection& selection) {
    session.Invoke(e2e::kSetSource, selection);
    e2e::ExpectNoBox(session);
    e2e::ExpectCreateStatus(session, 1, "after an accepted SET SOURCE");
}

}  // namespace

QZ_SCENARIO(source_partial, FINALE, "") {
    e2e::AddPlainScore(session.sim, 2, 8);
    AcceptSource(session, WholeMeasures(1, 1, 1, 2));  // an accepted source is replaced
    ExpectSourceRefused(session, StartingAt(WholeMeasures(1, 1, 3, 4), 1024), e2e::kSourcePartial);
    ExpectSourceRefused(session, EndingAt(WholeMeasures(1, 1, 3, 4), 2048), e2e::kSourcePartial);
}

QZ_SCENARIO(source_two_staves, FINALE, "") {
    e2e::AddPlainScore(session.sim, 3, 8);
    AcceptSource(session, WholeMeasures(2, 2, 3, 4));
    ExpectSourceRefused(session, WholeMeasures(1, 2, 3, 4), e2e::kSourceTwoStaves);
    ExpectSourceRefused(session, WholeMeasures(3, 1, 3, 4), e2e::kSourceTwoStaves);
}

QZ_SCENARIO(source_partial_two_staves, FINALE, "") {
    e2e::AddPlainScore(session.sim, 3, 8);
    // Both faults at once: the partial-measure test comes first.
    ExpectSourceRefused(session, StartingAt(WholeMeasures(1, 3, 3, 4), 512), e2e::kSourcePartial);
}

QZ_SCENARIO(destination_partial, FINALE, "") {
    e2e::AddPlainScore(session.sim, 3, 8);
    AcceptSource(session, WholeMeasures(1, 1, 1, 2));
    ExpectCreateRefused(session, StartingAt(WholeMeasures(2, 3, 3, 4), 1024),
                        e2e::kDestinationPartial);
    ExpectCreateRefused(session, EndingAt(WholeMeasures(2, 3, 3, 4), 3072),
                        e2e::kDestinationPartial);
    // Partial and of the wrong length: the partial test comes first.
    ExpectCreateRefused(session, StartingAt(WholeMeasures(2, 3, 3, 5), 1024),
                        e2e::kDestinationPartial);
}

QZ_SCENARIO(destination_length, FINALE, "") {
    e2e::AddPlainScore(session.sim, 3, 12);
    AcceptSource(session, WholeMeasures(1, 1, 1, 2));
    for (int measures : {1, 3, 5}) {
        session.checks.Note("destination of " + std::to_string(measures) + " measure(s)");
        ExpectCreateRefused(session, WholeMeasures(2, 3, 3, 3 + measures - 1),
                            e2e::kDestinationLength);
    }
    // The user sees two paragraphs: the message breaks once with an empty line between them.
    const auto& boxes = session.boxes.Boxes();
    if (!boxes.empty()) {
        const std::u16string& text = boxes.front().text;
        std::size_t gap = text.find(u"\n\n");
        bool twoParagraphs = gap != std::u16string::npos &&
                             text.find(u'\n', gap + 2) == std::u16string::npos &&
                             text.find(u'\n') == gap && text.find(u'\r') == std::u16string::npos;
        session.checks.Expect(twoParagraphs,
                              "the text is two paragraphs separated by one empty line",
                              gap == std::u16string::npos
                                  ? "no empty line in the text"
                                  : "empty line after unit " + std::to_string(gap) + " of " +
                                        std::to_string(text.size()));
    }
    for (int measures : {2, 4, 6}) {
        int16_t result = session.Invoke(e2e::kCreate, WholeMeasures(2, 3, 3, 3 + measures - 1));
        session.checks.ExpectEqual(
            "CREATE over " + std::to_string(measures) + " measures (a multiple) returns", result,
            1);
        e2e::ExpectNoBox(session);
    }
}

QZ_SCENARIO(document_mismatch, FINALE, "") {
    hostsim::Document& first = e2e::AddPlainScore(session.sim, 3, 8);
    hostsim::Document& second = e2e::AddPlainScore(session.sim, 3, 8);
    session.sim.SetCurrentDocument(first.Id());
    AcceptSource(session, WholeMeasures(1, 1, 1, 2));
    const e2e::DocumentState firstBefore = e2e::Snapshot(first);
    session.sim.SetCurrentDocument(second.Id());
    session.checks.Note("document " + std::to_string(second.Id()) + " is now current");
    ExpectCreateRefused(session, WholeMeasures(2, 3, 1, 4), e2e::kDocumentMismatch);
    // The measure tests run before the document test.
    ExpectCreateRefused(session, StartingAt(WholeMeasures(2, 3, 1, 4), 1),
                        e2e::kDestinationPartial);
    ExpectCreateRefused(session, WholeMeasures(2, 3, 1, 3), e2e::kDestinationLength);
    e2e::ExpectUnchanged(session, first, firstBefore, "while another is current");

    session.sim.SetCurrentDocument(first.Id());
    session.checks.Note("document " + std::to_string(first.Id()) + " is current again");
    int16_t result = session.Invoke(e2e::kCreate, WholeMeasures(2, 3, 1, 4));
    session.checks.ExpectEqual("CREATE in the source's document, no new SET SOURCE, returns",
                               result, 1);
    e2e::ExpectNoBox(session);
}

QZ_SCENARIO(create_without_region, FINALE, "") {
    e2e::AddPlainScore(session.sim, 2, 8);
    AcceptSource(session, WholeMeasures(1, 1, 1, 2));
    // No record: an empty destination, which counts one measure against a two-measure source.
    e2e::DocumentState before = e2e::Snapshot(session.sim.CurrentDocument());
    int16_t result = session.InvokeWithoutRegion(e2e::kCreate);
    session.checks.ExpectEqual("CREATE with no region record returns", result, 0);
    e2e::ExpectErrorBox(session, e2e::kCreateCaption, e2e::kDestinationLength);
    e2e::ExpectUnchanged(session, session.sim.CurrentDocument(), before, "");
}

// Needs the pattern engine: the driver is what finds layer 1 of the source empty.
QZ_SCENARIO(source_without_layer1_entries, FINALE, "engine") {
    hostsim::Document& document = e2e::AddPlainScore(session.sim, 3, 8);
    int instrument = document.SlotToInstrument(1);
    hostsim::WriteMeasure(document, instrument, 3, 0, "");
    hostsim::WriteMeasure(document, instrument, 4, 0, "");
    hostsim::WriteMeasure(document, instrument, 3, 1, "G5/2 A5/2");  // layer 2 has music; it does not count
    hostsim::WriteMeasure(document, instrument, 4, 1, "B5/1");
    AcceptSource(session, WholeMeasures(1, 1, 3, 4));
    ExpectCreateRefused(session, WholeMeasures(2, 3, 1, 2), e2e::kNoSourceEntries);

    // An empty one-staff selection is accepted as a source but holds no entry either.
    Selection empty = WholeMeasures(1, 1, 0, 0);
    empty.endPosition = 0;
    AcceptSource(session, empty);
    ExpectCreateRefused(session, WholeMeasures(2, 3, 1, 3), e2e::kNoSourceEntries);
}
