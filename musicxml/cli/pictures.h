// Pictures of a rewrite: the destination measures before and after, engraved by MuseScore 3.
//
// `motifgraft apply --pictures DIR` calls this after the output score has been written. The
// engraving is done by the `mscore3` program (Debian package `musescore3`), run headless in a
// child process with a time limit; file names are passed as arguments, never through a shell.
// The pictures are a convenience: when they cannot be made the written score stands, and the
// caller prints `message` as a warning.
#pragma once

#include <string>

namespace qz::musicxml {

// Writes DIR/before.png from `beforeScore` and DIR/after.png from `afterScore` (MusicXML files,
// plain or .mxl). The pictures hold measures firstMeasure..lastMeasure (ordinal, from 1) of
// every part when a trimmed copy of the score can be made, else the score's first page. DIR is
// created when missing; existing pictures of those names are replaced. A score that engraves
// to several pages gives before-2.png, before-3.png, ... beside before.png.
//
// Returns true when both pictures were written. Returns false, with `message` saying why (and,
// when mscore3 is not installed, how to install it), otherwise; nothing is thrown. `message`
// may be null; it is also set on success when something is worth saying (a whole first page
// instead of the measures).
bool WritePictures(const std::string& beforeScore, const std::string& afterScore,
                   const std::string& dir, int firstMeasure, int lastMeasure,
                   std::string* message);

// The engraving program that WritePictures runs: the first executable `mscore3` on PATH, or
// empty when there is none. QZ_MSCORE in the environment names another program to use (tests
// point it at a stand-in or at nothing).
std::string FindEngraver();

}  // namespace qz::musicxml
