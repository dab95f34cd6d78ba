// Reading back what CREATE did: for each repeat the engine says it rewrote, the new music of each
// voice of each measure as the writer takes it (VoiceRewrite), built from where the engine says
// each new entry came from, with the tie and lyric decisions that need the whole voice.
//
// Ties: a rewritten note is tied to the next note of its voice when the source entry it was
// copied from was tied forward and the next note carries the same pitch (per pitch of a chord);
// the next note gets the stop. A tie that no longer joins equal pitches is dropped and counted,
// one per pitch. Next to an unchanged note (a stretch's edges) a tie is kept only when the pitch
// still matches, because the unchanged note's bytes are never edited: its own start or stop
// decides, and a source tie the unchanged neighbour cannot answer is dropped.
// Slurs: a slur with one end on a replaced note and the other on a note left as it was keeps
// both: the replaced end moves to a new note of the same measure (the note at its onset, else
// the nearest toward the other end), or, when that measure has no new note, the other end is
// removed too. A tie start or stop of a note left as it was that no longer meets its equal
// pitch is removed the same way.
// Lyrics: the <lyric>s of a replaced note move to the new note at the same onset of the voice;
// those whose onset has no new note (none, or a rest) are dropped and counted.
#pragma once

#include <map>
#include <tuple>
#include <vector>

#include "musicxml/bridge/repeat_observer.h"
#include "musicxml/read/score_model.h"
#include "musicxml/write/voice_rewrite.h"

namespace qz::musicxml {

struct ReadBackResult {
    std::vector<bool> rewritten;        // per plan row: rewritten and read back
    std::vector<VoiceRewrite> voices;   // one per rewritten voice and measure
    std::vector<std::size_t> voiceRows; // the plan row of each of `voices`
    int tiesDropped = 0;
    int lyricsMoved = 0;
    int lyricsDropped = 0;
    // <tie>, <tied> and <slur> elements of notes left as they were whose other end went.
    std::vector<pugi::xml_node> orphanEnds;
};

// Reads back the plan's `rows` (indexes in increasing order). Rows left out are treated as
// unchanged even if the engine rewrote them (another part's, or one whose measure the writer
// could not write): their music stays as it was, and ties next to it are decided against the
// old notes.
ReadBackResult ReadBack(const Score& score, const Selection& source,
                        const std::vector<EngineRepeat>& plan,
                        const std::vector<std::size_t>& rows);

}  // namespace qz::musicxml
