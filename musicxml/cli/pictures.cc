#include "musicxml/cli/pictures.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "musicxml/write/output_file.h"

namespace qz::musicxml {
namespace {

namespace fs = std::filesystem;

// MuseScore engraves a short excerpt in well under a second; a minute covers a slow machine and
// a large score without letting a hung engraver hold the command forever.
constexpr int kEngraveSeconds = 60;
// A .mxl member larger than this is not a score anybody engraves; refuse it instead of
// allocating whatever the archive claims.
constexpr zip_uint64_t kMaxMemberBytes = 256u << 20;

bool ReadWholeFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream out;
    out << in.rdbuf();
    *bytes = out.str();
    return !in.bad();
}

bool LooksLikeZip(const std::string& bytes) { return bytes.rfind("PK\x03\x04", 0) == 0; }

bool ReadZipMember(zip_t* archive, const char* name, std::string* bytes) {
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat(archive, name, 0, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) ||
        stat.size > kMaxMemberBytes)
        return false;
    zip_file_t* file = zip_fopen(archive, name, 0);
    if (file == nullptr) return false;
    bytes->assign(static_cast<std::size_t>(stat.size), '\0');
    zip_int64_t got = stat.size == 0 ? 0 : zip_fread(file, bytes->data(), stat.size);
    zip_fclose(file);
    return got == static_cast<zip_int64_t>(stat.size);
}

// The root score of a compressed MusicXML archive: the first rootfile that
// META-INF/container.xml names.
bool ReadArchiveRoot(const std::string& path, std::string* bytes) {
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &error);
    if (archive == nullptr) return false;
    std::string container;
    bool ok = false;
    pugi::xml_document doc;
    if (ReadZipMember(archive, "META-INF/container.xml", &container) &&
        doc.load_buffer(container.data(), container.size())) {
        std::string root = doc.select_node("//rootfile").node().attribute("full-path").value();
        ok = !root.empty() && ReadZipMember(archive, root.c_str(), bytes);
    }
    zip_discard(archive);
    return ok;
}

bool LoadScore(const std::string& path, pugi::xml_document* doc) {
    std::string bytes;
    if (!ReadWholeFile(path, &bytes)) return false;
    if (LooksLikeZip(bytes) && !ReadArchiveRoot(path, &bytes)) return false;
    return doc->load_buffer(bytes.data(), bytes.size(),
                            pugi::parse_default | pugi::parse_declaration | pugi::parse_doctype);
}

// Attribute children that set the state a measure is read in, in the order MusicXML lists them
// inside <attributes>. Measure styles (multi-measure rests, slashes) are left behind: they
// describe the measures that carried them.
constexpr std::array<const char*, 8> kCarriedAttributes = {
    "divisions", "key", "time", "staves", "part-symbol", "instruments", "clef", "transpose"};

// Key of one attribute child: its name and its number (clef 2, key per staff).
std::string AttributeKey(pugi::xml_node child) {
    return std::string(child.name()) + "#" + child.attribute("number").value();
}

// Keeps measures first..last (ordinal) of one part. The attributes in force at the first kept
// measure (divisions, key, time, clefs, ...) are restated at its start, so the excerpt reads as
// the full score does there. False when the part has no measure in the range.
bool TrimPart(pugi::xml_node part, int first, int last) {
    std::map<std::string, pugi::xml_node> inForce;
    std::vector<pugi::xml_node> dropped;
    pugi::xml_node firstKept;
    int ordinal = 0;
    for (pugi::xml_node measure : part.children("measure")) {
        ++ordinal;
        if (ordinal >= first && ordinal <= last) {
            if (!firstKept) firstKept = measure;
            continue;
        }
        dropped.push_back(measure);
        if (ordinal > last) continue;
        for (pugi::xml_node attributes : measure.children("attributes"))
            for (pugi::xml_node child : attributes.children()) inForce[AttributeKey(child)] = child;
    }
    if (!firstKept) return false;
    if (!inForce.empty()) {
        pugi::xml_node carried = firstKept.prepend_child("attributes");
        for (const char* name : kCarriedAttributes)
            for (const auto& [key, node] : inForce)
                if (key.rfind(std::string(name) + "#", 0) == 0) carried.append_copy(node);
    }
    for (pugi::xml_node measure : dropped) part.remove_child(measure);
    // Page and system breaks of the full score would spread the excerpt over pages.
    for (pugi::xml_node measure : part.children("measure"))
        while (pugi::xml_node print = measure.child("print")) measure.remove_child(print);
    return true;
}

// Turns the score in `doc` into an excerpt of measures first..last of every part. False (and
// `doc` unusable) when the score is not partwise or some part does not reach the range.
bool TrimToMeasures(pugi::xml_document& doc, int first, int last) {
    pugi::xml_node score = doc.child("score-partwise");
    if (!score || first < 1 || last < first) return false;
    bool anyPart = false;
    for (pugi::xml_node part : score.children("part")) {
        if (!TrimPart(part, first, last)) return false;
        anyPart = true;
    }
    // Titles and page texts belong to the first page of the full score, not to an excerpt.
    while (pugi::xml_node credit = score.child("credit")) score.remove_child(credit);
    return anyPart;
}

// The excerpt is saved as UTF-8 whatever the input was: say so in the declaration.
bool SaveUtf8(pugi::xml_document& doc, const fs::path& path) {
    for (pugi::xml_node node : doc.children())
        if (node.type() == pugi::node_declaration && node.attribute("encoding"))
            node.attribute("encoding").set_value("UTF-8");
    return doc.save_file(path.c_str(), "  ", pugi::format_default, pugi::encoding_utf8);
}

bool IsExecutable(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

// Runs `program args...` with MuseScore's headless platform and no terminal, its diagnostics
// going to `logPath`. Returns true when it exited with status 0 within `seconds`; a program
// still running then is killed.
bool RunEngraver(const std::string& program, const std::vector<std::string>& args,
                 const fs::path& logPath, const fs::path& runtimeDir, int seconds,
                 std::string* why) {
    std::vector<char*> argv;
    std::vector<std::string> storage = args;
    storage.insert(storage.begin(), program);
    for (std::string& arg : storage) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The child's environment is built here: between fork and exec only async-signal-safe
    // calls are allowed, and setenv is not one.
    std::vector<std::string> environment{"QT_QPA_PLATFORM=offscreen"};
    if (getenv("XDG_RUNTIME_DIR") == nullptr) environment.push_back("XDG_RUNTIME_DIR=" + runtimeDir.string());
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string_view name(*entry);
        if (name.rfind("QT_QPA_PLATFORM=", 0) != 0) environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment) envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t child = fork();
    if (child < 0) {
        *why = "cannot start " + program;
        return false;
    }
    if (child == 0) {
        int nullIn = open("/dev/null", O_RDONLY);
        int log = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (nullIn >= 0) dup2(nullIn, 0);
        if (log >= 0) {
            dup2(log, 1);
            dup2(log, 2);
        }
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) {
            *why = "lost track of " + program;
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            *why = program + " did not finish within " + std::to_string(seconds) + " s";
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    *why = WIFEXITED(status) ? program + " exited with status " + std::to_string(WEXITSTATUS(status))
                             : program + " was stopped by a signal";
    return false;
}

// MuseScore writes STEM-1.png, STEM-2.png, ... (one per page). Moves them to DIR as NAME.png,
// NAME-2.png, ..., each written as every output of the tool is (only over a regular file);
// true when there was at least a first page.
bool CollectPages(const fs::path& work, const std::string& stem, const fs::path& dir,
                  const std::string& name, std::string* why) {
    std::error_code error;
    int pages = 0;
    for (int page = 1; page <= 1000; ++page) {
        fs::path from = work / (stem + "-" + std::to_string(page) + ".png");
        if (page == 1 && !fs::exists(from, error)) from = work / (stem + ".png");
        if (!fs::exists(from, error)) break;
        fs::path to = dir / (page == 1 ? name + ".png" : name + "-" + std::to_string(page) + ".png");
        std::string bytes;
        if (!ReadWholeFile(from.string(), &bytes)) return false;
        if (Status s = WriteFileAtomically(to.string(), bytes); !s.ok()) {
            *why = s.message();
            return false;
        }
        ++pages;
    }
    return pages > 0;
}

// A private temporary folder, removed with everything in it when the object goes.
class WorkFolder {
public:
    WorkFolder() {
        std::string pattern = (fs::temp_directory_path(error_) / "motifgraft-pictures-XXXXXX").string();
        if (!error_ && mkdtemp(pattern.data()) != nullptr) path_ = pattern;
    }
    ~WorkFolder() {
        if (!path_.empty()) fs::remove_all(path_, error_);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const fs::path& path() const { return path_; }

private:
    std::error_code error_;
    fs::path path_;
};

// Engraves one score into DIR/NAME.png. `trimmed` tells whether the measure excerpt was made.
bool EngraveOne(const std::string& engraver, const std::string& score, const std::string& name,
                const fs::path& dir, int first, int last, bool* trimmed, std::string* why) {
    WorkFolder work;
    if (work.path().empty()) {
        *why = "cannot create a temporary folder";
        return false;
    }
    std::string input = score;
    pugi::xml_document doc;
    *trimmed = LoadScore(score, &doc) && TrimToMeasures(doc, first, last);
    if (*trimmed) {
        fs::path excerpt = work.path() / (name + ".musicxml");
        if (SaveUtf8(doc, excerpt))
            input = excerpt.string();
        else
            *trimmed = false;
    }
    fs::path out = work.path() / (name + ".png");
    fs::path log = work.path() / (name + ".log");
    if (!RunEngraver(engraver, {"-T", "10", "-r", "150", "-o", out.string(), input}, log,
                     work.path(), kEngraveSeconds, why)) {
        std::string text;
        // The engraver's last line of diagnostics is usually the reason.
        if (ReadWholeFile(log.string(), &text)) {
            while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
            if (!text.empty()) *why += ": " + text.substr(text.find_last_of('\n') + 1);
        }
        return false;
    }
    if (!CollectPages(work.path(), name, dir, name, why)) {
        if (why->empty()) *why = engraver + " wrote no picture for " + score;
        return false;
    }
    return true;
}

}  // namespace

std::string FindEngraver() {
    if (const char* chosen = getenv("QZ_MSCORE")) return IsExecutable(chosen) ? chosen : "";
    const char* path = getenv("PATH");
    std::string folders = path != nullptr ? path : "/usr/bin:/bin";
    std::size_t start = 0;
    while (start <= folders.size()) {
        std::size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        std::string folder = folders.substr(start, end - start);
        std::string candidate = (folder.empty() ? std::string(".") : folder) + "/mscore3";
        if (IsExecutable(candidate)) return candidate;
        start = end + 1;
    }
    return "";
}

bool WritePictures(const std::string& beforeScore, const std::string& afterScore,
                   const std::string& dir, int firstMeasure, int lastMeasure,
                   std::string* message) {
    std::string ignored;
    std::string& say = message != nullptr ? *message : ignored;
    say.clear();
    try {
        std::string engraver = FindEngraver();
        if (engraver.empty()) {
            say = "no pictures: MuseScore 3 (mscore3) is not installed; install it with "
                  "`sudo apt-get install musescore3`";
            return false;
        }
        std::error_code error;
        fs::create_directories(dir, error);
        if (error || !fs::is_directory(dir)) {
            say = "no pictures: cannot create the folder " + dir;
            return false;
        }
        bool trimmedBefore = false;
        bool trimmedAfter = false;
        std::string why;
        if (!EngraveOne(engraver, beforeScore, "before", dir, firstMeasure, lastMeasure,
                        &trimmedBefore, &why) ||
            !EngraveOne(engraver, afterScore, "after", dir, firstMeasure, lastMeasure,
                        &trimmedAfter, &why)) {
            say = "no pictures: " + why;
            return false;
        }
        if (!trimmedBefore || !trimmedAfter)
            say = "the pictures show the whole score, not only measures " +
                  std::to_string(firstMeasure) + "-" + std::to_string(lastMeasure);
        return true;
    } catch (const std::exception& e) {
        say = std::string("no pictures: ") + e.what();
        return false;
    }
}

}  // namespace qz::musicxml
