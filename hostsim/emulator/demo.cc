// FINALE.EXE <fxt> demo: the main job on the sample score, told as a user would follow it.
//
// It plays the host's part in order: announce the version, initialise, build the menu with both
// enumerators, ask the menu status, then SET SOURCE on the comping rhythm and CREATE over the
// chords, printing the score before and after and every box the plug-in showed. The checks at
// the end fail the run only when the plug-in misbehaved (a box where none belongs, a refused
// command, a leaked frame), not on the music it wrote.
#include <cstdio>
#include <string>
#include <vector>

#include "hostsim/emulator/printable.h"
#include "hostsim/emulator/sample_score.h"
#include "hostsim/emulator/scenario.h"

namespace {

using emulator::Quoted;
using emulator::Session;

void Print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

std::string Text8(const unsigned char* field) {
    std::string text;
    for (int i = 0; i < 64 && field[i] != 0; ++i) text += static_cast<char>(field[i]);
    return text;
}

std::u16string Text16(const unsigned char* field) {
    std::u16string text;
    for (int i = 0; i < 128; ++i) {
        auto unit = static_cast<char16_t>(field[2 * i] | (field[2 * i + 1] << 8));
        if (unit == 0) break;
        text += unit;
    }
    return text;
}

uint32_t Flags(const unsigned char* at) {
    return static_cast<uint32_t>(at[0] | (at[1] << 8) | (at[2] << 16)) |
           (static_cast<uint32_t>(at[3]) << 24);
}

void PrintMenu(Session& session) {
    for (uint16_t index = 0; index <= 2; ++index) {
        std::vector<unsigned char> item(196, 0);
        int16_t result = session.plugin.Enumerate(index, item.data());
        Print("  FinaleExtensionEnumerate(" + std::to_string(index) + ") = " +
              std::to_string(result));
        if (result != 0)
            Print(": " + Quoted(Text8(&item[0])) + " / " + Quoted(Text8(&item[64])) + " / " +
                  Quoted(Text8(&item[128])) + " / flags " + emulator::Hex(Flags(&item[192])));
        Print("\n");
    }
    for (uint16_t index = 0; index <= 2; ++index) {
        std::vector<unsigned char> item(772, 0);
        int16_t result = session.plugin.EnumerateUtf16(index, item.data());
        Print("  FinaleExtensionEnumerate_UTF16(" + std::to_string(index) + ") = " +
              std::to_string(result));
        if (result != 0)
            Print(": " + Quoted(Text16(&item[0])) + " / " + Quoted(Text16(&item[256])) + " / " +
                  Quoted(Text16(&item[512])) + " / flags " + emulator::Hex(Flags(&item[768])));
        Print("\n");
    }
}

void PrintStatus(Session& session) {
    Print("  menu status: SET SOURCE " + std::to_string(session.plugin.GetMenuStatus(0)) +
          ", CREATE " + std::to_string(session.plugin.GetMenuStatus(1)) + "\n");
}

void PrintBoxes(Session& session) {
    if (session.boxes.Boxes().empty()) Print("  no message box\n");
    for (const emulator::BoxRecord& box : session.boxes.Boxes())
        Print("  message box " + Quoted(box.caption) + ": " + Quoted(box.text) + " (icon " +
              emulator::BoxIconName(box.icon) + ")\n");
}

void PrintScore(Session& session, const emulator::SampleScore& sample) {
    const hostsim::Document* document = session.sim.FindDocument(sample.documentId);
    if (document == nullptr) return;
    Print(hostsim::PrintScore(*document, 1, sample.staves, 1, sample.measures));
}

// Which destination measures of layer 1 now differ from what they were.
void PrintChanges(Session& session, const emulator::SampleScore& sample,
                  const std::vector<std::string>& before) {
    const hostsim::Document* document = session.sim.FindDocument(sample.documentId);
    if (document == nullptr) return;
    std::size_t k = 0;
    int rewritten = 0;
    std::string kept;
    for (int slot = 2; slot <= sample.staves; ++slot)
        for (int m = 1; m <= sample.measures; ++m, ++k) {
            if (hostsim::DescribeMeasure(*document, document->SlotToInstrument(slot), m, 0) != before[k])
                ++rewritten;
            else
                kept += " staff " + std::to_string(slot) + "/m" + std::to_string(m);
        }
    Print("  layer 1 measures rewritten: " + std::to_string(rewritten) + " of " +
          std::to_string(k) + "; kept:" + (kept.empty() ? " none" : kept) + "\n");
}

}  // namespace

QZ_SCENARIO(demo, FINALE, "") {
    emulator::SampleScore sample = emulator::BuildSampleScore(session.sim);
    Print("\n== The host loads the plug-in and builds its menu\n");
    Print("  FinaleExtensionVersion(0x19000000) = " +
          emulator::Hex(session.plugin.Version(0x19000000)) + "\n");
    uint32_t flags = 0;
    int16_t init = session.plugin.Init(&flags);
    Print("  FinaleExtensionInit = " + std::to_string(init) + ", flags word now " +
          emulator::Hex(flags) + "\n");
    PrintMenu(session);
    PrintStatus(session);

    Print("\n== The score (layer 2 is hidden by the host)\n");
    Print("  (E5+B5/4. is a dotted-quarter chord, r/8 an eighth rest, @n an articulation of\n"
          "   definition n, +d entry detail records, - an empty measure)\n");
    PrintScore(session, sample);
    std::vector<std::string> before;
    const hostsim::Document* document = session.sim.FindDocument(sample.documentId);
    for (int slot = 2; slot <= sample.staves; ++slot)
        for (int m = 1; m <= sample.measures; ++m)
            before.push_back(hostsim::DescribeMeasure(*document, document->SlotToInstrument(slot), m, 0));

    Print("\n== SET SOURCE on " + emulator::Describe(sample.source) + "\n");
    int16_t result = session.Invoke(0, sample.source);
    Print("  FinaleExtensionInvoke(0) = " + std::to_string(result) + "\n");
    PrintBoxes(session);
    session.checks.Expect(session.boxes.Boxes().empty(), "SET SOURCE accepted the rhythm",
                          std::to_string(session.boxes.Boxes().size()) + " boxes");
    PrintStatus(session);

    Print("\n== CREATE on " + emulator::Describe(sample.destination) + "\n");
    result = session.Invoke(1, sample.destination);
    Print("  FinaleExtensionInvoke(1) = " + std::to_string(result) + "\n");
    PrintBoxes(session);
    session.checks.ExpectEqual("CREATE completed", result, 1);
    PrintStatus(session);

    Print("\n== The score after CREATE\n");
    PrintScore(session, sample);
    PrintChanges(session, sample, before);
    Print("\n");
}
