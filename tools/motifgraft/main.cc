// motifgraft: runs the plug-in's CREATE over MusicXML scores (see musicxml/cli.h).
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "musicxml/cli/cli.h"

int main(int argc, char** argv) {
    try {
        std::vector<std::string> args(argv + 1, argv + argc);
        return qz::musicxml::RunMotifgraft(args, std::cout, std::cerr);
    } catch (const std::exception& e) {
        std::cerr << "motifgraft: " << e.what() << "\n";
    } catch (...) {
        std::cerr << "motifgraft: unexpected failure\n";
    }
    return qz::musicxml::kExitUnusable;
}
