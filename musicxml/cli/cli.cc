#include "musicxml/cli/cli.h"

#include <memory>

#include "musicxml/cli/apply_command.h"
#include "musicxml/read/loaded_score.h"
#include "musicxml/cli/show_command.h"

namespace qz::musicxml {
namespace {

constexpr char kUsage[] =
    "usage: motifgraft show SCORE [--json]\n"
    "       motifgraft apply SCORE --source STAFF:FIRST-LAST --dest STAVES:FIRST-LAST\n"
    "                        [-o OUT] [--explain] [--json REPORT] [--pictures DIR]\n"
    "STAFF: a staff number (see show), a part id (its first staff) or PARTID/N;\n"
    "STAVES: all, or a list of STAFF and ranges A-B of staff numbers (1,2,4 or 1-2,P3).\n"
    "Measures count from 1. Each option is given once. OUT, REPORT and the pictures are\n"
    "written only as regular files (a link is written through), each a different file,\n"
    "and only OUT may be the score itself.\n";

int Usage(std::ostream& err, const std::string& problem) {
    err << "motifgraft: " << problem << "\n" << kUsage;
    return kExitUnusable;
}

int Show(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    std::string path;
    bool json = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (args[i] == "--json")
            json = true;
        else if (!args[i].empty() && args[i][0] == '-')
            return Usage(err, "unknown option " + args[i]);
        else if (path.empty())
            path = args[i];
        else
            return Usage(err, "more than one score given");
    }
    if (path.empty()) return Usage(err, "no score given");
    auto score = std::make_unique<LoadedScore>();
    if (const Status loaded = LoadScore(path, score.get()); !loaded.ok()) {
        err << "motifgraft: " << loaded.Where(path) << "\n";
        return kExitUnusable;
    }
    out << (json ? ShowJson(score->model) : ShowText(score->model));
    return kExitOk;
}

}  // namespace

int RunMotifgraft(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return Usage(err, "no command given");
    if (args[0] == "-h" || args[0] == "--help" || args[0] == "help") {
        out << kUsage;
        return kExitOk;
    }
    if (args[0] == "show") return Show(args, out, err);
    if (args[0] == "apply") return Apply(args, out, err);
    return Usage(err, "unknown command '" + args[0] + "'");
}

}  // namespace qz::musicxml
