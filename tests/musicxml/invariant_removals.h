// What the tool may change in a measure it does not rewrite: a tie or slur end whose other end
// went with replaced notes is taken out (so that no tie or slur is left half open), and a
// <notations> emptied by that goes whole. Nothing else.
#pragma once

#include <string>

namespace qz::corpus {

// Whether `after` is `before` (the text of one <measure>) with some <tie>, <tied> and <slur>
// elements, and <notations> holding nothing else, taken out, each with whitespace next to it.
bool OnlyTieAndSlurEndsRemoved(const std::string& before, const std::string& after);

}  // namespace qz::corpus
