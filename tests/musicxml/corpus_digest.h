// The fingerprint of a corpus run: one line per run of the tool, naming the run (its arguments,
// with the data and work folders written as <data> and <work> so the line does not depend on
// where the run happens) and giving its exit status and a hash of each thing it produced: the
// score and the JSON report it wrote, its standard output and its standard error. Kept beside the
// tests, it pins every byte the tool writes or prints over a corpus, so that work on the tool's
// inside can prove it changed nothing a user sees.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "corpus_process.h"

namespace qz::corpus {

uint64_t Fnv1a(const std::string& text);

class Digest {
public:
    // `places`: folder path -> the name it is written as, in arguments and printed text.
    explicit Digest(std::vector<std::pair<std::string, std::string>> places) : places_(std::move(places)) {}

    // One run of the tool: its arguments (without the program), its result, and the files its
    // -o and --json arguments name, hashed when the run left them.
    void Add(const std::vector<std::string>& args, const ProcessResult& result);

    bool Write(const std::string& path) const;
    // Compares with the digest kept at `path`, printing the first lines that differ; true when
    // every line is the same.
    bool Matches(const std::string& path) const;

private:
    std::string Placed(std::string text) const;

    std::vector<std::pair<std::string, std::string>> places_;
    std::vector<std::string> lines_;
};

}  // namespace qz::corpus
