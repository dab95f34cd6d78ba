// The main job on the demo's sample score, checked measure by measure. Needs the pattern engine.
#include "e2e_support.h"
#include "hostsim/emulator/sample_score.h"

QZ_SCENARIO(sample_create, FINALE, "engine") {
    emulator::SampleScore sample = emulator::BuildSampleScore(session.sim);
    hostsim::Document& document = session.sim.CurrentDocument();
    auto layer = [&](int slot, int measure, int index) {
        return hostsim::DescribeMeasure(document, document.SlotToInstrument(slot), measure, index);
    };
    const std::string source = layer(1, 1, 0);
    const std::string unfit = layer(sample.unfitSlot, sample.unfitMeasure, 0);
    std::vector<std::string> hidden;
    for (int m = 1; m <= sample.measures; ++m) hidden.push_back(layer(5, m, sample.hiddenLayer));

    session.Invoke(e2e::kSetSource, sample.source);
    e2e::ExpectNoBox(session);
    int16_t result = session.Invoke(e2e::kCreate, sample.destination);
    session.checks.ExpectEqual("CREATE returns", result, 1);
    e2e::ExpectNoBox(session);

    for (int slot = 2; slot <= 5; ++slot)
        for (int m = 1; m <= sample.measures; ++m) {
            const std::string where = "staff " + std::to_string(slot) + " measure " +
                                      std::to_string(m) + " layer 1";
            if (slot == sample.unfitSlot && m == sample.unfitMeasure)
                session.checks.ExpectEqual(where + " (does not fit) unchanged", layer(slot, m, 0),
                                           unfit);
            else
                session.checks.ExpectEqual(
                    where + " in the source rhythm", layer(slot, m, 0),
                    emulator::SampleRhythmWith(emulator::SampleChord(slot, m),
                                                                       emulator::SampleHasTenuto(m)));
        }
    for (int m = 1; m <= sample.measures; ++m)
        session.checks.ExpectEqual(
            "staff 5 measure " + std::to_string(m) + " hidden layer 2 unchanged",
            layer(5, m, sample.hiddenLayer), hidden[m - 1]);
    session.checks.ExpectEqual("the source measure unchanged", layer(1, 1, 0), source);
}
