#include "musicxml/cli/apply_command.h"

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <system_error>

#include "musicxml/cli/apply_options.h"
#include "musicxml/cli/cli.h"
#include "musicxml/cli/edit_plan.h"
#include "musicxml/bridge/embedded_host.h"
#include "musicxml/bridge/host_mapping.h"
#include "musicxml/read/loaded_score.h"
#include "musicxml/cli/pictures.h"
#include "musicxml/bridge/repeat_observer.h"
#include "musicxml/cli/report.h"
#include "musicxml/write/output_check.h"
#include "musicxml/write/output_file.h"
#include "musicxml/write/output_target.h"
#include "musicxml/write/splice.h"
#include "musicxml/write/temporary_file.h"

namespace qz::musicxml {
namespace {

int Fail(std::ostream& err, int status, const std::string& message) {
    err << "motifgraft: " << message << "\n";
    return status;
}

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool NamesPlainDocument(const std::string& path) {
    return EndsWith(path, ".musicxml") || EndsWith(path, ".xml");
}

// The bytes of the score with `edits` spliced in, in the input's encoding and form.
bool ResultBytes(const LoadedScore& loaded, const std::vector<Edit>& edits,
                 const std::string& outputPath, std::string* bytes, std::string* error) {
    // An archive's score asked for under a plain name is written as the plain document.
    const ScoreContainer& input = loaded.container;
    const bool archive = input.compressed && !NamesPlainDocument(outputPath);
    // Nothing rewritten: the file as it came, archive included, byte for byte.
    if (edits.empty()) {
        *bytes = archive ? input.archiveBytes : input.documentBytes;
        return true;
    }
    // What ScoreBytes needs of the input, without a copy of its document.
    ScoreContainer target;
    target.compressed = archive;
    target.format = input.format;
    if (archive) {
        target.archiveBytes = input.archiveBytes;
        target.rootMember = input.rootMember;
    }
    Result<std::string> newText = ApplyEdits(loaded.parsed.text, edits);
    if (!newText.ok()) {
        *error = "the rewritten music could not be placed: " + newText.status().message();
        return false;
    }
    Result<std::string> written = ScoreBytes(target, std::move(*newText));
    if (!written.ok()) {
        *error = written.status().message();
        return false;
    }
    *bytes = std::move(*written);
    return true;
}

// The score and the report, each staged beside its target before either replaces anything.
bool WriteOutputs(const std::string& scorePath, const std::string& scoreBytes,
                  const std::string& reportPath, const std::string& reportBytes,
                  std::string* error) {
    StagedWrite score, report;
    Status s = score.Stage(scorePath, scoreBytes);
    if (s.ok() && !reportPath.empty()) s = report.Stage(reportPath, reportBytes);
    if (s.ok()) s = score.Commit();
    if (s.ok() && !reportPath.empty()) s = report.Commit();
    if (!s.ok()) *error = s.message();
    return s.ok();
}

// Where the "before" picture is engraved from: the input, or, when the score is about to
// replace it, a copy of it as it was, in the system's temporary folder (keeping the input's
// extension, which the engraver reads).
std::string BeforeScore(const LoadedScore& loaded, const std::string& outputPath,
                        TemporaryFile* copy) {
    const ScoreContainer& input = loaded.container;
    const Result<OutputTarget> output = ResolveOutput(outputPath);
    if (!output.ok() || !IsExistingFile(*output, input.path))
        return input.path;
    const std::size_t dot = input.path.rfind('.');
    const bool extension = dot != std::string::npos && input.path.find('/', dot) == std::string::npos;
    int code = 0;
    std::error_code noTemp;
    const std::string folder = std::filesystem::temp_directory_path(noTemp).string();
    if (!noTemp && copy->Create(folder, &code, extension ? input.path.substr(dot) : "") &&
        copy->Write(input.compressed ? input.archiveBytes : input.documentBytes) && copy->Close())
        return copy->Path();
    return input.path;
}

struct Selections {
    Selection source;
    std::vector<Selection> destination;
};

// SET SOURCE and CREATE over the model laid into an in-memory host, which `observer` hears.
// Returns kExitOk, or the status of a run after which nothing may be written. The host and its
// document go with the call: they are not held while the new text is made.
int RunCommands(const LoadedScore& loaded, const Selections& selections,
                RepeatObserver& observer, std::ostream& err) {
    const Score& score = loaded.model;
    auto host = std::make_unique<EmbeddedHost>();
    HostMapping mapping;
    std::string error;
    if (!BuildHostDocument(score, host->Document(), &mapping, &error))
        return Fail(err, kExitUnusable, loaded.container.path + ": " + error);
    const CreateOutcome outcome =
        host->Run(selections.source, selections.destination, static_cast<int>(score.slots.size()),
                  score.measureCount, observer);
    if (!outcome.created) return Fail(err, kExitRefused, outcome.message);
    // A frame the plug-in never gave back means its run did not end as it should: what the
    // document holds cannot be trusted, and the user's score is not touched.
    if (host->Host().LiveFrames() != 0)
        return Fail(err, kExitUnusable,
                    "internal error, nothing written: the plug-in kept " +
                        std::to_string(host->Host().LiveFrames()) + " frame(s) of the score");
    return kExitOk;
}

// Gives the pages of freed blocks back to the system, so that what comes next does not come on
// top of them: the C library keeps freed small blocks otherwise.
void ReturnFreedMemory() {
#if defined(__GLIBC__)
    malloc_trim(0);
#endif
}

// Everything of one apply after the score was loaded: returns the exit status.
int Run(const ApplyOptions& options, LoadedScore& loaded, const Selections& selections,
        std::ostream& out, std::ostream& err) {
    const std::string refusal = SourceRefusal(loaded.model, selections.source);
    if (!refusal.empty()) return Fail(err, kExitRefused, refusal);
    // The rows are copied out once the host has gone. Made while the host's frames came and
    // went, the originals lie scattered among the small holes those frames left; the copies
    // fill such holes, and the memory the originals free joins them into room for the edits
    // (a tenth less peak memory on a large score).
    std::vector<EngineRepeat> repeats;
    {
        RepeatObserver observer(loaded.model, selections.source);
        if (const int status = RunCommands(loaded, selections, observer, err); status != kExitOk)
            return status;
        repeats = observer.Repeats();
    }
    Planned planned = PlanOutput(loaded, selections.source, selections.destination, repeats);
    // From here on only the text and its container are needed: the tree and the model go
    // before the new bytes are made, so that a large score never holds both at once.
    loaded.ReleaseTree();
    ReturnFreedMemory();
    const Report& report = planned.report;

    const std::string outputPath = ScoreOutputPath(options);
    TemporaryFile inputCopy;
    const std::string beforeScore =
        options.picturesDir.empty() ? "" : BeforeScore(loaded, outputPath, &inputCopy);
    std::string bytes, error;
    if (!ResultBytes(loaded, planned.edits, outputPath, &bytes, &error) ||
        !WriteOutputs(outputPath, bytes, options.jsonReport, ReportJson(report), &error))
        return Fail(err, kExitUnusable, error);
    if (options.explain) out << ExplainText(report);
    out << "written: " << outputPath << "\n";
    if (!options.picturesDir.empty()) {
        std::string message;
        const Selection& shown = selections.destination.front();
        const bool made = WritePictures(beforeScore, outputPath, options.picturesDir,
                                        shown.firstMeasure, shown.lastMeasure, &message);
        if (made)
            out << "pictures: " << options.picturesDir << "/" << kBeforePicture << ", "
                << kAfterPicture << "\n";
        if (!message.empty()) err << "motifgraft: pictures: " << message << "\n";
    }
    return kExitOk;
}

// The selection `text` of `option`, resolved, or exit 2 with the reason.
bool ParseOption(const char* option, const std::string& text, const Score& score,
                 SelectionRole role, std::vector<Selection>* regions, std::string* error) {
    Result<std::vector<Selection>> parsed = ParseSelection(text, score, role);
    if (!parsed.ok()) {
        *error = std::string(option) + " " + text + ": " + parsed.status().message();
        return false;
    }
    *regions = std::move(*parsed);
    return true;
}

}  // namespace

int Apply(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const Result<ApplyOptions> parsed = ParseApplyOptions(args);
    if (!parsed.ok())
        return Fail(err, kExitUnusable, parsed.status().message() + " (see motifgraft --help)");
    const ApplyOptions& options = *parsed;
    std::string error;
    auto loaded = std::make_unique<LoadedScore>();
    if (Status s = LoadScore(options.score, loaded.get()); !s.ok())
        return Fail(err, kExitUnusable, s.Where(options.score));
    Selections selections;
    std::vector<Selection> source;
    if (!ParseOption("--source", options.source, loaded->model, SelectionRole::kSource, &source,
                     &error) ||
        !ParseOption("--dest", options.destination, loaded->model, SelectionRole::kDestination,
                     &selections.destination, &error))
        return Fail(err, kExitUnusable, options.score + ": " + error);
    selections.source = source.front();
    if (Status s = CheckApplyOutputs(options); !s.ok())
        return Fail(err, kExitUnusable, s.message());
    return Run(options, *loaded, selections, out, err);
}

}  // namespace qz::musicxml
