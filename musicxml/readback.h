// Reading back what CREATE did: every destination frame compared with its state before the
// run, and, for each repeat the engine rewrote, the new music of each voice of each measure as
// the writer takes it (VoiceRewrite), with the tie and lyric decisions that need the whole voice.
//
// Ties: a rewritten note is tied to the next note of its voice when the source entry it was
// copied from was tied forward and the next note carries the same pitch (per pitch of a chord);
// the next note gets the stop. A tie that no longer joins equal pitches is dropped and counted,
// one per pitch. Next to an unchanged note (a stretch's edges) a tie is kept only when the pitch
// still matches, because the unchanged note's bytes are never edited: its own start or stop
// decides, and a source tie the unchanged neighbour cannot answer is dropped.
// Lyrics: every <lyric> of the destination notes a rewrite replaces is dropped and counted.
#pragma once

#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "hostsim/sim_host.h"
#include "musicxml/host_mapping.h"
#include "musicxml/repeat_plan.h"
#include "musicxml/score_model.h"
#include "musicxml/voice_rewrite.h"

namespace qz::musicxml {

// The stored records of destination frames, keyed by (instrument, measure, layer index).
using FrameSnapshot = std::map<std::tuple<int, int, int>, std::vector<hostsim::Record>>;

FrameSnapshot TakeSnapshot(const hostsim::Document& document,
                           const std::vector<PlannedRepeat>& plan);

struct ReadBackResult {
    std::vector<bool> rewritten;        // per plan row: the engine changed its frames
    std::vector<VoiceRewrite> voices;   // one per rewritten voice and measure
    std::vector<std::size_t> voiceRows; // the plan row of each of `voices`
    int tiesDropped = 0;
    int lyricsDropped = 0;
};

// `excluded` rows are treated as unchanged even if the engine rewrote them (the writer could not
// write one of their measures): their music stays as it was, and ties next to it are decided
// against the old notes.
ReadBackResult ReadBack(const Score& score, const HostMapping& mapping,
                        const hostsim::Document& document, const FrameSnapshot& before,
                        const std::vector<PlannedRepeat>& plan,
                        const std::set<std::size_t>& excluded = {});

}  // namespace qz::musicxml
