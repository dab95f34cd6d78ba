#include "hostsim/emulator/sample_score.h"

namespace emulator {

namespace {

// Cmaj7 Am7 Dm7 G7 Em7 A7 Dm7 G7, four voices spread over four staves, top staff first.
const char* const kChords[4][8] = {
    {"E5+B5", "E5+G5", "F5+A5", "F5+B5", "G5+B5", "G5+C#6", "F5+A5", "F5+B5"},
    {"C5+G5", "C5+E5", "C5+F5", "D5+F5", "D5+G5", "E5+G5", "C5+F5", "D5+F5"},
    {"G4+B4", "A4+C5", "A4+C5", "B4+D5", "B4+E5", "A4+C#5", "A4+D5", "G4+B4"},
    {"C3+G3", "A2+E3", "D3+A3", "G2+D3", "E3+B3", "A2+E3", "D3+A3", "G2+F3"}};

const char* const kBassLine[8] = {"C2", "A1", "D2", "G1", "E2", "A1", "D2", "G1"};

}  // namespace

std::string SampleChord(int slot, int measure) {
    if (slot < 2 || slot > 5 || measure < 1 || measure > 8) return "";
    return kChords[slot - 2][measure - 1];
}

bool SampleHasTenuto(int measure) { return measure == 4 || measure == 8; }

std::string SampleRhythmWith(const std::string& chord, bool tenuto) {
    // A Charleston-like figure: accent (1) on the downbeat, staccatos (2) on the pushes, and
    // a detail record on the first push.
    return chord + "/4." + (tenuto ? "@5" : "") + "@1 " + chord + "/8@2+d r/8 " + chord +
           "/8@2 r/4";
}

SampleScore BuildSampleScore(hostsim::SimHost& sim) {
    SampleScore sample;
    hostsim::Document& document = sim.AddDocument();
    sim.SetCurrentDocument(document.Id());
    sample.documentId = document.Id();
    document.SetMeasureCount(sample.measures);
    for (int s = 1; s <= sample.staves; ++s) document.AddStaff(static_cast<int16_t>(s));

    hostsim::WriteMeasure(document, document.SlotToInstrument(1), 1, 0, SampleRhythmWith("C4", false));
    for (int slot = 2; slot <= 5; ++slot)
        for (int m = 1; m <= sample.measures; ++m)
            hostsim::WriteMeasure(document, document.SlotToInstrument(slot), m, 0,
                           SampleChord(slot, m) + "/1" + (SampleHasTenuto(m) ? "@5" : ""));

    // The second chord starts on the second beat, where the rhythm has no entry.
    const std::string unfit = SampleChord(sample.unfitSlot, sample.unfitMeasure);
    hostsim::WriteMeasure(document, document.SlotToInstrument(sample.unfitSlot), sample.unfitMeasure, 0,
                   unfit + "/4 " + SampleChord(sample.unfitSlot, sample.unfitMeasure + 1) + "/2.");

    for (int m = 1; m <= sample.measures; ++m)
        hostsim::WriteMeasure(document, document.SlotToInstrument(5), m, sample.hiddenLayer,
                       std::string(kBassLine[m - 1]) + "/1");
    sim.SetLayerShown(sample.hiddenLayer, false);

    sample.source = WholeMeasures(1, 1, 1, 1);
    sample.destination = WholeMeasures(2, 5, 1, sample.measures);
    return sample;
}

}  // namespace emulator
