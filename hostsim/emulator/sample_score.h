// The demo's sample score: a one-measure comping rhythm on one staff, to be laid over four
// staves of sustained chords.
//
//   staff 1, measure 1, layer 1: the rhythm, with rests and articulations, and a detail record
//   on one entry ("X/4.@1 X/8@2+d r/8 X/8@2 r/4");
//   staves 2-5, measures 1-8, layer 1: one whole-note chord per measure, those of measures 4
//   and 8 with a tenuto (articulation 5);
//   staff 5, layers 2: a bass line that the host hides (layer 2 is not shown);
//   staff 4, measure 6: two chords, a repeat the rhythm cannot take (the second chord starts
//   on the second beat, where the rhythm has no entry).
//
// SET SOURCE on the source and CREATE on the destination should rewrite every destination
// measure of layer 1 into the rhythm, each with its own chord, except staff 4 measure 6; the
// hidden layer stays as it is.
#pragma once

#include <string>

#include "hostsim/emulator/region_record.h"
#include "hostsim/sim_host.h"

namespace emulator {

struct SampleScore {
    int documentId = 0;
    int staves = 5;
    int measures = 8;
    Selection source;       // staff 1, measure 1
    Selection destination;  // staves 2-5, measures 1-8
    int hiddenLayer = 1;    // layer index (the user's layer 2)
    int unfitSlot = 4;      // the one repeat that does not fit
    int unfitMeasure = 6;
};

// Adds the sample as a new document of `sim`, makes it current and hides the layer.
SampleScore BuildSampleScore(hostsim::SimHost& sim);

// The chord (pitches joined by "+") that staff `slot` holds in measure `measure` of layer 1.
std::string SampleChord(int slot, int measure);

// Whether the destination chords of `measure` carry a tenuto (articulation 5).
bool SampleHasTenuto(int measure);

// The sample's rhythm sounding `chord`: layer 1 of a destination measure after a successful
// CREATE, the tenuto of the old chord first on the downbeat when it had one.
std::string SampleRhythmWith(const std::string& chord, bool tenuto);

}  // namespace emulator
