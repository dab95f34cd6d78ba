#include "musicxml/apply_command.h"

#include "musicxml/cli.h"

namespace qz::musicxml {

int Apply(const std::vector<std::string>&, std::ostream&, std::ostream& err) {
    err << "motifgraft: apply is not available yet\n";
    return kExitUnusable;
}

}  // namespace qz::musicxml
