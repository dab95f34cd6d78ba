// Running the tool under test (and MuseScore) as a black box: a child process with arguments
// passed as they are (no shell), a time limit, and its output captured.
#pragma once

#include <string>
#include <vector>

namespace qz::corpus {

struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    int exitCode = -1;  // valid when the process exited normally
    int signal = 0;     // the signal that ended it, 0 when it exited
    std::string out;    // standard output
    std::string err;    // standard error
};

// Runs `argv` (argv[0] is the program's path) with `extraEnv` ("NAME=value") added to the
// environment, standard input from /dev/null, for at most `seconds`; a process still running
// then is killed.
ProcessResult RunProcess(const std::vector<std::string>& argv, int seconds,
                         const std::vector<std::string>& extraEnv = {});

// Whole-file helpers; ReadFile answers false when the file cannot be read.
bool ReadFile(const std::string& path, std::string* bytes);
bool WriteFile(const std::string& path, const std::string& bytes);

}  // namespace qz::corpus
