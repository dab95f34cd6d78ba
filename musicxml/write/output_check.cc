#include "musicxml/write/output_check.h"

#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "musicxml/write/output_target.h"

namespace qz::musicxml {
namespace {

struct NamedOutput {
    std::string option;
    std::string path;
    bool mayBeInput = false;
    OutputTarget target;
};

std::string ParentOf(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The pictures' folder is made when missing: it must be a folder, or a path whose nearest
// existing ancestor is one. Whether it exists, or why it cannot be used.
Result<bool> CheckPicturesFolder(const std::string& dir) {
    struct stat info;
    const bool exists = ::stat(dir.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) return true;
    if (exists || errno != ENOENT)
        return Status::Error("--pictures " + dir + ": not a folder; nothing written");
    std::string ancestor = ParentOf(dir);
    for (int depth = 0; depth < 256 && ::stat(ancestor.c_str(), &info) != 0 && errno == ENOENT;
         ++depth)
        ancestor = ParentOf(ancestor);
    if (::stat(ancestor.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) return false;
    return Status::Error("--pictures " + dir + ": cannot be made, " + ancestor +
                         " is not a folder; nothing written");
}

std::string Named(const NamedOutput& output) { return output.option + " " + output.path; }

}  // namespace

std::string ScoreOutputPath(const ApplyOptions& options) {
    return options.output.empty() ? DefaultOutputPath(options.score) : options.output;
}

Status CheckApplyOutputs(const ApplyOptions& options) {
    std::vector<NamedOutput> outputs;
    outputs.push_back({options.output.empty() ? "the default output" : "-o",
                       ScoreOutputPath(options), !options.output.empty(), {}});
    if (!options.jsonReport.empty()) outputs.push_back({"--json", options.jsonReport, false, {}});
    if (!options.picturesDir.empty()) {
        const Result<bool> exists = CheckPicturesFolder(options.picturesDir);
        if (!exists.ok()) return exists.status();
        // In a folder still to be made, the pictures cannot meet any other file.
        if (*exists)
            for (const char* name : {kBeforePicture, kAfterPicture})
                outputs.push_back({"--pictures", options.picturesDir + "/" + name, false, {}});
    }
    for (NamedOutput& output : outputs) {
        const Result<OutputTarget> target = ResolveOutput(output.path);
        if (!target.ok()) return target.status().Prefixed(output.option + " ");
        output.target = *target;
        if (!output.mayBeInput && IsExistingFile(output.target, options.score))
            return Status::Error(Named(output) + " is the input score; nothing written");
    }
    for (std::size_t i = 0; i < outputs.size(); ++i)
        for (std::size_t j = i + 1; j < outputs.size(); ++j)
            if (SameFile(outputs[i].target, outputs[j].target))
                return Status::Error(Named(outputs[j]) + " is the same file as " +
                                     Named(outputs[i]) + "; nothing written");
    return Status();
}

}  // namespace qz::musicxml
