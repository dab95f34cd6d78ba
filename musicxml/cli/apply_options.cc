#include "musicxml/cli/apply_options.h"

namespace qz::musicxml {

Result<ApplyOptions> ParseApplyOptions(const std::vector<std::string>& args) {
    ApplyOptions out;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        // A second value would silently win over the first: the user meant one of them.
        auto value = [&](std::string* target) {
            if (!target->empty()) return Status::Error(a + " is given twice");
            if (i + 1 >= args.size() || args[i + 1].empty())
                return Status::Error(a + " needs a value");
            *target = args[++i];
            return Status();
        };
        Status taken;
        if (a == "--source") taken = value(&out.source);
        else if (a == "--dest") taken = value(&out.destination);
        else if (a == "-o" || a == "--output") taken = value(&out.output);
        else if (a == "--json") taken = value(&out.jsonReport);
        else if (a == "--pictures") taken = value(&out.picturesDir);
        else if (a == "--explain") out.explain = true;
        else if (!a.empty() && a[0] == '-') return Status::Error("unknown option " + a);
        else if (out.score.empty()) out.score = a;
        else return Status::Error("more than one score given");
        if (!taken.ok()) return taken;
    }
    if (out.score.empty()) return Status::Error("no score given");
    if (out.source.empty()) return Status::Error("--source STAFF:FIRST-LAST is required");
    if (out.destination.empty()) return Status::Error("--dest STAVES:FIRST-LAST is required");
    return out;
}

std::string DefaultOutputPath(const std::string& input) {
    const std::size_t slash = input.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = input.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart) return input + ".motifgraft";
    return input.substr(0, dot) + ".motifgraft" + input.substr(dot);
}

}  // namespace qz::musicxml
