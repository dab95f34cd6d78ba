#include "musicxml/apply_options.h"

namespace qz::musicxml {

bool ParseApplyOptions(const std::vector<std::string>& args, ApplyOptions* out,
                       std::string* error) {
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        // A second value would silently win over the first: the user meant one of them.
        auto value = [&](std::string* target) {
            if (!target->empty()) {
                *error = a + " is given twice";
                return false;
            }
            if (i + 1 >= args.size() || args[i + 1].empty()) {
                *error = a + " needs a value";
                return false;
            }
            *target = args[++i];
            return true;
        };
        if (a == "--source") {
            if (!value(&out->source)) return false;
        } else if (a == "--dest") {
            if (!value(&out->destination)) return false;
        } else if (a == "-o" || a == "--output") {
            if (!value(&out->output)) return false;
        } else if (a == "--json") {
            if (!value(&out->jsonReport)) return false;
        } else if (a == "--pictures") {
            if (!value(&out->picturesDir)) return false;
        } else if (a == "--explain") {
            out->explain = true;
        } else if (!a.empty() && a[0] == '-') {
            *error = "unknown option " + a;
            return false;
        } else if (out->score.empty()) {
            out->score = a;
        } else {
            *error = "more than one score given";
            return false;
        }
    }
    if (out->score.empty()) *error = "no score given";
    else if (out->source.empty()) *error = "--source STAFF:FIRST-LAST is required";
    else if (out->destination.empty()) *error = "--dest STAVES:FIRST-LAST is required";
    return error->empty();
}

std::string DefaultOutputPath(const std::string& input) {
    const std::size_t slash = input.find_last_of('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = input.find_last_of('.');
    if (dot == std::string::npos || dot <= nameStart) return input + ".motifgraft";
    return input.substr(0, dot) + ".motifgraft" + input.substr(dot);
}

}  // namespace qz::musicxml
