// What the end-to-end scenarios share: the texts the user must see, the checks on a box, and
// the plain scores the scenarios select from.
//
// The texts are written out here on purpose instead of being taken from the plug-in's sources:
// the scenarios check the built DLL against what the user is meant to read.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "hostsim/emulator/scenario.h"
#include "hostsim/sim_host.h"

namespace e2e {

inline const std::string kSourceCaption = "Source Selection Error";
inline const std::string kCreateCaption = "QZ Motifgraft Error";

inline const std::string kSourcePartial =
    "Partial measure selection are not allowed for this plug-in.";
inline const std::string kSourceTwoStaves =
    "Only one individual staff is allowed as the selected source region.";
inline const std::string kDestinationPartial =
    "Partial selections are not allowed for this plug-in.";
inline const std::string kDestinationLength =
    "The destination region must have the same number of measures as the source region. "
    "Alternatively, the source region should fit exactly as multiple regions in the "
    "destination.\n\n(Example: if source region is 2 measures and destination is 6 measures, "
    "it will produce a pattern repeated 3 times.)";
inline const std::string kDocumentMismatch =
    "The source region must belong to the current document.";
inline const std::string kNoSourceEntries = "Source region didn't contain any entries in layer 1.";

inline constexpr uint16_t kSetSource = 0;
inline constexpr uint16_t kCreate = 1;

// Checks that the last Invoke showed exactly one box, as the user sees an error: this caption
// and text, only an OK button, the error icon, owned by (and modal to) the host window.
void ExpectErrorBox(emulator::Session& session, const std::string& caption,
                    const std::string& text);

// Checks that the last Invoke showed no box at all.
void ExpectNoBox(emulator::Session& session);

// Checks what FinaleExtensionGetMenuStatus says of CREATE (1: available).
void ExpectCreateStatus(emulator::Session& session, int expected, const std::string& when);

// Everything of a document that a command could change: its score as text and its extended data.
struct DocumentState {
    std::string score;
    std::map<hostsim::Document::EDataKey, std::vector<unsigned char>> edata;
};
DocumentState Snapshot(const hostsim::Document& document);

// Checks that `document` is as it was when `before` was taken; prints the score if not.
void ExpectUnchanged(emulator::Session& session, const hostsim::Document& document,
                     const DocumentState& before, const std::string& when);

// Adds a document of `staves` staves and `measures` measures of 4/4 whose layer 1 holds four
// quarter-note chords per measure. It becomes the current document when it is the first.
hostsim::Document& AddPlainScore(hostsim::SimHost& sim, int staves, int measures);

}  // namespace e2e
