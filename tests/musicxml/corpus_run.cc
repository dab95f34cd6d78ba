// The corpus run: every score of a folder of real MusicXML files through `motifgraft` as a black
// box. Per file: `show --json` (or a clear refusal with line and column for a malformed file),
// a round trip that rewrites nothing and must give the input back byte for byte, then generated
// source/destination choices, each result checked by invariant_checks.h. A few files are also
// tried as UTF-8 with BOM and UTF-16 (both byte orders) to cover the encodings real files use.
//
//   corpus_run --tool motifgraft --data DIR --work DIR [--choices N] [--keep DIR]
//              [--digest FILE | --digest-write FILE]
//
// --digest compares the fingerprint of every run's outputs (corpus_digest.h) with FILE and fails
// on any difference; --digest-write writes it to FILE instead.
// --keep collects every distinct output that rewrote something, with a manifest line
// "OUTPUT<TAB>INPUT" each, for the MuseScore import test. The line before the last counts the
// failures by check (the tag of a notation check, "other" for the rest, also those beyond the
// five shown per output); the last line printed is the totals;
// the exit status is 1 when any check failed.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "corpus_digest.h"
#include "corpus_interleave.h"
#include "corpus_json.h"
#include "corpus_process.h"
#include "corpus_zip.h"
#include "invariant_checks.h"

namespace qz::corpus {
namespace {

namespace fs = std::filesystem;

constexpr int kToolSeconds = 60;

struct Options {
    std::string tool, data, work, keep, digest, digestWrite;
    int choices = 12;
};

struct Totals {
    int files = 0, loaded = 0, refusedWithPosition = 0, roundTripped = 0, noSource = 0;
    int choices = 0, rewrote = 0, refusedByCommand = 0, failures = 0, kept = 0, graceRefused = 0,
        outsideRefused = 0;
};

// splitmix64: a fixed, portable sequence, so that every run tries the same choices.
class Random {
public:
    explicit Random(uint64_t seed) : state_(seed) {}
    uint64_t Next() {
        uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // Uniform enough in [lo, hi] for choosing test cases.
    int Between(int lo, int hi) {
        return hi <= lo ? lo : lo + static_cast<int>(Next() % static_cast<uint64_t>(hi - lo + 1));
    }

private:
    uint64_t state_;
};

// The score text the checker reads: the file itself, or the root of a .mxl archive.
bool ScoreText(const std::string& path, std::string* bytes, Archive* archive) {
    if (!ReadFile(path, bytes)) return false;
    if (!IsZip(*bytes)) return true;
    if (!ReadArchive(path, archive)) return false;
    *bytes = archive->members[archive->root];
    return true;
}

class CorpusRun {
public:
    explicit CorpusRun(Options options)
        : o_(std::move(options)), digest_({{o_.work, "<work>"}, {o_.data, "<data>"}}) {}

    int Run() {
        fs::create_directories(o_.work);
        if (!o_.keep.empty()) {
            fs::remove_all(o_.keep);
            fs::create_directories(o_.keep);
            manifest_.open(fs::path(o_.keep) / "manifest.tsv");
        }
        std::vector<std::string> files;
        for (const auto& item : fs::directory_iterator(o_.data)) files.push_back(item.path().string());
        std::sort(files.begin(), files.end());
        std::vector<std::string> variants = EncodingVariants(files);
        std::vector<std::string> interleaved = InterleavedVariants(files);
        files.insert(files.end(), variants.begin(), variants.end());
        files.insert(files.end(), interleaved.begin(), interleaved.end());
        for (const std::string& file : files) RunFile(file);
        bool digestHolds = o_.digest.empty() || digest_.Matches(o_.digest);
        if (!o_.digestWrite.empty() && !digest_.Write(o_.digestWrite)) {
            std::printf("DIGEST %s cannot be written\n", o_.digestWrite.c_str());
            digestHolds = false;
        }
        std::string byCheck;
        for (const auto& [check, count] : byCheck_)
            byCheck += (byCheck.empty() ? "" : ", ") + check + " " + std::to_string(count);
        std::printf("failed checks by kind: %s\n", byCheck.empty() ? "none" : byCheck.c_str());
        std::printf("corpus: %d files, %d loaded, %d refused with line:column, %d round-tripped "
                    "byte-identical, %d without a usable source; choices: %d tried, %d rewrote "
                    "music, %d refused by the command, %d outputs kept; %d grace-note sources refused; "
                    "%d selections outside the score refused; %d invariant failures\n",
                    t_.files, t_.loaded, t_.refusedWithPosition, t_.roundTripped, t_.noSource,
                    t_.choices, t_.rewrote, t_.refusedByCommand, t_.kept, t_.graceRefused,
                    t_.outsideRefused, t_.failures);
        return t_.failures == 0 && digestHolds ? 0 : 1;
    }

private:
    struct File {
        std::string path, name, text;  // text: the score's bytes (the root member of a .mxl)
        const Archive* archive;
        ScoreContent score;
        ShowInfo show;
    };

    void Fail(const std::string& what) {
        ++t_.failures;
        std::printf("FAIL %s\n", what.c_str());
    }

    // Runs the tool. The files its -o and --json name are removed first, so that whatever is
    // there afterwards is this run's. A sanitizer's report fails the run whatever the exit
    // status says: under AddressSanitizer a fault exits with 1, which would otherwise pass for a
    // refusal.
    ProcessResult Tool(const std::vector<std::string>& args) {
        std::vector<std::string> argv{o_.tool};
        argv.insert(argv.end(), args.begin(), args.end());
        for (std::size_t i = 0; i + 1 < args.size(); ++i)
            if (args[i] == "-o" || args[i] == "--json") fs::remove(args[i + 1]);
        ProcessResult r = RunProcess(argv, kToolSeconds);
        digest_.Add(args, r);
        if (r.err.find("Sanitizer") != std::string::npos || r.err.find("runtime error:") != std::string::npos) {
            Fail("motifgraft" + Joined(args) + ": " + r.err.substr(0, 2000));
            r.exitCode = -1;
        }
        return r;
    }

    static std::string Joined(const std::vector<std::string>& args) {
        std::string text;
        for (const std::string& a : args) text += " " + a;
        return text;
    }

    // Copies of the plain files whose measures hold voices one after another, with the voices
    // interleaved (corpus_interleave.h).
    std::vector<std::string> InterleavedVariants(const std::vector<std::string>& files) {
        std::vector<std::string> made;
        fs::path folder = fs::path(o_.work) / "interleaved";
        fs::create_directories(folder);
        for (const std::string& file : files) {
            std::string bytes, interleaved;
            if (fs::path(file).extension() == ".mxl" || !ReadFile(file, &bytes) ||
                bytes.rfind("\xEF\xBB\xBF", 0) == 0 || !InterleaveVoices(bytes, &interleaved))
                continue;
            made.push_back((folder / (fs::path(file).stem().string() + "-interleaved.musicxml")).string());
            WriteFile(made.back(), interleaved);
        }
        std::printf("note: %zu interleaved copies\n", made.size());
        return made;
    }

    // Copies of a few files in UTF-8 with BOM, UTF-16LE and UTF-16BE (with BOMs).
    std::vector<std::string> EncodingVariants(const std::vector<std::string>& files) {
        std::vector<std::string> made;
        fs::path folder = fs::path(o_.work) / "encodings";
        fs::create_directories(folder);
        for (std::size_t i = 0; i < files.size(); ++i) {
            if (i % 25 != 3 || fs::path(files[i]).extension() == ".mxl") continue;
            std::string bytes;
            if (!ReadFile(files[i], &bytes)) continue;
            std::string stem = fs::path(files[i]).stem().string();
            std::string declared = std::regex_replace(bytes, std::regex("encoding=\"UTF-8\"", std::regex::icase),
                                                      "encoding=\"UTF-16\"");
            const std::pair<const char*, std::string> forms[] = {
                {"-utf8bom.musicxml", "\xEF\xBB\xBF" + bytes},
                {"-utf16le.musicxml", ToUtf16(declared, false)},
                {"-utf16be.musicxml", ToUtf16(declared, true)},
            };
            for (const auto& [suffix, encoded] : forms) {
                std::string path = (folder / (stem + suffix)).string();
                if (!encoded.empty() && WriteFile(path, encoded)) made.push_back(path);
            }
        }
        return made;
    }

    // UTF-8 to UTF-16 with a byte-order mark; empty when the text is not UTF-8.
    static std::string ToUtf16(const std::string& utf8, bool bigEndian) {
        std::string out;
        auto put = [&](uint32_t unit) {
            char hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
            out += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
        };
        put(0xFEFF);
        for (std::size_t i = 0; i < utf8.size();) {
            auto c = static_cast<unsigned char>(utf8[i]);
            int extra = c < 0x80 ? 0 : c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
            bool truncated = extra > 0 && i + static_cast<std::size_t>(extra) >= utf8.size();
            if (extra < 0 || truncated) return "";
            uint32_t code = extra == 0 ? c : c & (0x3F >> extra);
            for (int k = 1; k <= extra; ++k) code = code << 6 | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
            i += static_cast<std::size_t>(extra) + 1;
            if (code >= 0x10000) {
                put(0xD800 + ((code - 0x10000) >> 10));
                put(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                put(code);
            }
        }
        return out;
    }

    void RunFile(const std::string& file) {
        ++t_.files;
        std::string name = fs::path(file).filename().string();
        std::string bytes;
        Archive archive;
        bool archived = false;
        std::string text, encoding, error;
        ScoreContent score;
        bool readable = ScoreText(file, &bytes, &archive) && DecodeText(bytes, &text, &encoding) &&
                        ReadScore(text, &score, &error);
        archived = !archive.root.empty();
        ProcessResult shown = Tool({"show", file, "--json"});
        if (!readable) {
            static const std::regex position(":[0-9]+:[0-9]+:");
            if (shown.exitCode == 2 && std::regex_search(shown.err, position))
                ++t_.refusedWithPosition;
            else
                Fail(name + ": unreadable file not refused with exit 2 and line:column (exit " +
                     std::to_string(shown.exitCode) + ", stderr: " + shown.err + ")");
            return;
        }
        Json json;
        ShowInfo show;
        if (shown.exitCode != 0 || !ParseJson(shown.out, &json, &error) || !ReadShow(json, &show, &error)) {
            Fail(name + ": show --json failed (exit " + std::to_string(shown.exitCode) + ", signal " +
                 std::to_string(shown.signal) + "): " + error + " " + shown.err);
            return;
        }
        ++t_.loaded;
        Tool({"show", file});  // the text form: judged by the digest alone
        File f{file, name, bytes, archived ? &archive : nullptr, score, show};
        RoundTrip(f);
        Random random(Fnv1a(name));
        for (int k = 0; k < o_.choices; ++k) Choice(f, random, k);
        GraceSource(f);
        OutsideTheScore(f);
    }

    // Selections outside the score are unusable input: exit 2, a message, nothing written.
    void OutsideTheScore(const File& f) {
        std::string past = std::to_string(f.show.measures + 1);
        std::string noStaff = std::to_string(f.show.staves.size() + 1);
        const std::vector<std::vector<std::string>> selections = {
            {"--source", "1:1-1", "--dest", "1:" + past + "-" + past},
            {"--source", noStaff + ":1-1", "--dest", "all:1-1"},
            {"--source", "1:2-1", "--dest", "1:1-1"},
        };
        for (const auto& selection : selections) {
            std::string out = OutputPath(f);
            std::vector<std::string> args{"apply", f.path};
            args.insert(args.end(), selection.begin(), selection.end());
            args.insert(args.end(), {"-o", out});
            ProcessResult r = Tool(args);
            if (r.exitCode == 2 && r.err.rfind("motifgraft: ", 0) == 0 && !fs::exists(out))
                ++t_.outsideRefused;
            else
                Fail(f.name + Joined(selection) + ": a selection outside the score gave exit " +
                     std::to_string(r.exitCode) + (fs::exists(out) ? " and an output" : "") + ": " + r.err);
        }
    }

    // A source whose layer 1 holds grace notes cannot be carried: the command refuses it (exit 1,
    // a message, nothing written).
    void GraceSource(const File& f) {
        for (const StaffInfo& staff : f.show.staves) {
            int part = f.score.PartIndex(staff.part);
            if (part < 0 || staff.voices.empty()) continue;
            const auto& measures = f.score.parts[part].measures;
            for (std::size_t m = 0; m < measures.size() && static_cast<int>(m) < f.show.measures; ++m) {
                auto it = measures[m].voices.find({staff.staff, staff.voices.front()});
                if (it == measures[m].voices.end() ||
                    std::none_of(it->second.begin(), it->second.end(), [](const Entry& e) { return e.grace; }))
                    continue;
                std::string range = std::to_string(staff.slot) + ":" + std::to_string(m + 1) + "-" + std::to_string(m + 1);
                std::string out = OutputPath(f);
                ProcessResult r = Tool({"apply", f.path, "--source", range, "--dest", "all:" + std::to_string(m + 1) + "-" +
                                        std::to_string(m + 1), "-o", out});
                if (r.exitCode == 1 && !r.err.empty() && !fs::exists(out))
                    ++t_.graceRefused;
                else
                    Fail(f.name + " grace source " + range + ": not refused (exit " + std::to_string(r.exitCode) +
                         (fs::exists(out) ? ", output written" : "") + ")");
                return;
            }
        }
    }

    // Measures (from 1) of slot `slot` whose layer 1 can be a source: entries, no grace note,
    // and (when `withNotes`) at least one note rather than only rests.
    std::vector<int> SourceMeasures(const File& f, int slot, bool withNotes = true) const {
        std::vector<int> measures;
        const StaffInfo& staff = f.show.staves[slot - 1];
        int part = f.score.PartIndex(staff.part);
        if (part < 0 || staff.voices.empty()) return measures;
        const auto& list = f.score.parts[part].measures;
        for (std::size_t m = 0; m < list.size() && static_cast<int>(m) < f.show.measures; ++m) {
            auto it = list[m].voices.find({staff.staff, staff.voices.front()});
            if (it == list[m].voices.end() || it->second.empty()) continue;
            bool note = false, grace = false;
            for (const Entry& e : it->second) {
                note = note || !e.rest;
                grace = grace || e.grace;
            }
            if ((note || !withNotes) && !grace) measures.push_back(static_cast<int>(m) + 1);
        }
        return measures;
    }

    std::string OutputPath(const File& f) const {
        return (fs::path(o_.work) / ("out" + fs::path(f.path).extension().string())).string();
    }

    // Source laid over itself: nothing may change, the output is the input byte for byte. A
    // staff with one layer is preferred: on a staff with more, the other layers are destinations
    // like any other and may be rewritten.
    void RoundTrip(const File& f) {
        int chosen = 0, measure = 0;
        for (int slot = 1; slot <= static_cast<int>(f.show.staves.size()); ++slot) {
            std::vector<int> measures = SourceMeasures(f, slot, false);
            if (measures.empty() || (chosen != 0 && f.show.staves[slot - 1].voices.size() != 1)) continue;
            if (chosen == 0 || f.show.staves[chosen - 1].voices.size() != 1) chosen = slot, measure = measures[0];
        }
        if (chosen == 0) {
            ++t_.noSource;
            std::printf("note: %s has no measure whose layer 1 has entries and no grace note\n", f.name.c_str());
            return;
        }
        std::string range = std::to_string(chosen) + ":" + std::to_string(measure) + "-" + std::to_string(measure);
        Selection sel{{chosen}, measure, measure};
        bool single = f.show.staves[chosen - 1].voices.size() == 1;
        if (Apply(f, {"--source", range, "--dest", range}, sel, sel, "round trip", single) && single)
            ++t_.roundTripped;
    }

    void Choice(const File& f, Random& random, int k) {
        std::vector<int> slots;
        // Sources with notes when the score has any, else rests only (still a rhythm).
        bool withNotes = true;
        for (int pass = 0; pass < 2 && slots.empty(); ++pass) {
            withNotes = pass == 0;
            for (int s = 1; s <= static_cast<int>(f.show.staves.size()); ++s)
                if (!SourceMeasures(f, s, withNotes).empty()) slots.push_back(s);
        }
        if (slots.empty()) return;
        int measureCount = f.show.measures;
        for (const PartContent& p : f.score.parts)
            measureCount = std::min(measureCount, static_cast<int>(p.measures.size()));
        // Each staff with notes takes its turn as the source.
        int srcSlot = slots[static_cast<std::size_t>(k) % slots.size()];
        std::vector<int> starts = SourceMeasures(f, srcSlot, withNotes);
        int length = measureCount >= 2 && random.Between(0, 1) == 1 ? 2 : 1;
        int first = starts[random.Next() % starts.size()];
        if (first + length - 1 > measureCount) first = measureCount - length + 1;
        if (first < 1) return;
        Selection source{{srcSlot}, first, first + length - 1};

        Selection dest;
        std::string destStaves = DestStaves(f, random, &dest.slots);
        dest.first = random.Between(1, measureCount - length + 1);
        int most = std::min(3, (measureCount - dest.first + 1) / length);
        dest.last = dest.first + random.Between(1, std::max(1, most)) * length - 1;
        ++t_.choices;
        std::string src = SourceName(f, srcSlot, random);
        std::vector<std::string> selection{
            "--source", src + ":" + std::to_string(source.first) + "-" + std::to_string(source.last),
            "--dest", destStaves + ":" + std::to_string(dest.first) + "-" + std::to_string(dest.last)};
        if (k % 2 == 0) selection.push_back("--explain");  // its table goes into the digest
        Apply(f, selection, source, dest, "choice " + std::to_string(k), false);
    }

    static bool PlainId(const std::string& id) {
        return !id.empty() && std::all_of(id.begin(), id.end(), [](unsigned char c) {
                   return std::isalnum(c) || c == '_';
               }) && !std::isdigit(static_cast<unsigned char>(id[0]));
    }

    // The source staff by slot number, sometimes as PARTID/N, to exercise both forms.
    static std::string SourceName(const File& f, int slot, Random& random) {
        const StaffInfo& staff = f.show.staves[slot - 1];
        if (PlainId(staff.part) && random.Between(0, 2) == 0)
            return staff.part + "/" + std::to_string(staff.staff);
        return std::to_string(slot);
    }

    // A destination: one slot, a range of slots, all, a part id, PARTID/N, or a list of
    // staves that are not all adjacent.
    static std::string DestStaves(const File& f, Random& random, std::vector<int>* slots) {
        int staves = static_cast<int>(f.show.staves.size());
        int form = random.Between(0, 5);
        int a = random.Between(1, staves);
        const StaffInfo& staff = f.show.staves[a - 1];
        if (form == 5 && staves > 2 && a + 2 <= staves) {
            int c = random.Between(a + 2, staves);
            slots->push_back(a);
            slots->push_back(c);
            return std::to_string(c) + "," + std::to_string(a);
        }
        if (form == 1 && staves > 1) {
            int b = random.Between(a, staves);
            for (int s = a; s <= b; ++s) slots->push_back(s);
            return std::to_string(a) + "-" + std::to_string(b);
        }
        if (form == 2) {
            for (int s = 1; s <= staves; ++s) slots->push_back(s);
            return "all";
        }
        if (form == 3 && PlainId(staff.part)) {
            for (int s = 1; s <= staves; ++s)
                if (f.show.staves[s - 1].part == staff.part) {
                    slots->push_back(s);  // a part id names its first staff
                    return staff.part;
                }
        }
        slots->push_back(a);
        if (form == 4 && PlainId(staff.part)) return staff.part + "/" + std::to_string(staff.staff);
        return std::to_string(a);
    }

    // Runs one apply and checks its result. True when it ran (exit 0) and every check held.
    bool Apply(const File& f, const std::vector<std::string>& selection, const Selection& source,
               const Selection& dest, const std::string& label, bool mustBeUnchanged) {
        std::string out = OutputPath(f);
        std::string report = (fs::path(o_.work) / "report.json").string();
        std::vector<std::string> args{"apply", f.path};
        args.insert(args.end(), selection.begin(), selection.end());
        args.insert(args.end(), {"-o", out, "--json", report});
        std::string what = f.name + " " + label + ":" + Joined(selection);
        ProcessResult r = Tool(args);
        if (r.exitCode == 1 && !r.timedOut) {
            ++t_.refusedByCommand;
            if (fs::exists(out)) Fail(what + ": refused (exit 1) but wrote " + out);
            if (r.err.empty()) Fail(what + ": refused (exit 1) without a message");
            if (mustBeUnchanged) Fail(what + ": the round trip was refused: " + r.err);
            return false;
        }
        if (r.exitCode != 0) {
            Fail(what + ": exit " + std::to_string(r.exitCode) + " signal " + std::to_string(r.signal) +
                 (r.timedOut ? " (timed out)" : "") + ": " + r.err);
            return false;
        }
        std::string reportText, outBytes, outText, error;
        Json json;
        Report parsed;
        Archive outArchive;
        if (!ReadFile(report, &reportText) || !ParseJson(reportText, &json, &error) ||
            !ReadReport(json, &parsed, &error)) {
            Fail(what + ": no usable JSON report: " + error);
            return false;
        }
        if (!ScoreText(out, &outText, &outArchive)) {
            Fail(what + ": no readable output written");
            return false;
        }
        std::vector<std::string> failures = CheckApply(f.text, outText, f.show, source, dest, parsed);
        if (f.archive != nullptr) CompareMembers(*f.archive, outArchive, &failures);
        if (mustBeUnchanged && parsed.Rewritten() > 0) failures.push_back("the round trip rewrote music");
        for (const std::string& failure : failures) ++byCheck_[CheckOf(failure)];
        for (std::size_t i = 0; i < failures.size() && i < 5; ++i) Fail(what + ": " + failures[i]);
        if (failures.size() > 5) Fail(what + ": ... " + std::to_string(failures.size() - 5) + " more");
        if (parsed.Rewritten() > 0) {
            ++t_.rewrote;
            Keep(f, out);
        }
        return failures.empty();
    }

    // The tag a notation check puts before its failures ("[slur] ..."), else "other".
    static std::string CheckOf(const std::string& failure) {
        const std::size_t close = failure.find(']');
        return failure.rfind('[', 0) == 0 && close != std::string::npos ? failure.substr(1, close - 1) : "other";
    }

    static void CompareMembers(const Archive& in, const Archive& out, std::vector<std::string>* failures) {
        if (in.root != out.root) failures->push_back("the archive's root score moved");
        for (const auto& [name, bytes] : in.members) {
            if (name == in.root) continue;
            auto it = out.members.find(name);
            if (it == out.members.end() || it->second != bytes)
                failures->push_back("archive member " + name + " changed or lost");
        }
        if (in.members.size() != out.members.size()) failures->push_back("archive members added");
    }

    // Keeps each distinct rewritten output once for the MuseScore import test.
    void Keep(const File& f, const std::string& out) {
        if (o_.keep.empty()) return;
        std::string bytes;
        ReadFile(out, &bytes);
        if (!kept_.insert(Fnv1a(bytes)).second) return;
        fs::path to = fs::path(o_.keep) / (fs::path(f.path).stem().string() + "-" +
                                           std::to_string(++t_.kept) + fs::path(f.path).extension().string());
        fs::copy_file(out, to, fs::copy_options::overwrite_existing);
        manifest_ << to.string() << '\t' << f.path << '\n';
        manifest_.flush();
    }

    Options o_;
    Totals t_;
    std::set<uint64_t> kept_;
    std::map<std::string, int> byCheck_;  // every failure of every output, by check
    std::ofstream manifest_;
    Digest digest_;
};

}  // namespace
}  // namespace qz::corpus

int main(int argc, char** argv) {
    qz::corpus::Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string flag = argv[i];
        std::string value = argv[i + 1];
        if (flag == "--tool") options.tool = value;
        else if (flag == "--data") options.data = value;
        else if (flag == "--work") options.work = value;
        else if (flag == "--keep") options.keep = value;
        else if (flag == "--choices") options.choices = std::atoi(value.c_str());
        else if (flag == "--digest") options.digest = value;
        else if (flag == "--digest-write") options.digestWrite = value;
    }
    if (options.tool.empty() || options.data.empty() || options.work.empty()) {
        std::fprintf(stderr, "usage: corpus_run --tool EXE --data DIR --work DIR [--choices N] [--keep DIR]\n"
                             "                  [--digest FILE | --digest-write FILE]\n");
        return 2;
    }
    return qz::corpus::CorpusRun(options).Run();
}
