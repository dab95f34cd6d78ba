#include "corpus_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace qz::corpus {
namespace {

// A temporary file for one captured stream; removed when the object goes.
class CaptureFile {
public:
    CaptureFile() {
        char pattern[] = "/tmp/qz-corpus-XXXXXX";
        fd_ = mkstemp(pattern);
        if (fd_ >= 0) path_ = pattern;
    }
    ~CaptureFile() {
        if (fd_ >= 0) close(fd_);
        if (!path_.empty()) unlink(path_.c_str());
    }
    CaptureFile(const CaptureFile&) = delete;
    CaptureFile& operator=(const CaptureFile&) = delete;
    int fd() const { return fd_; }
    std::string Contents() const {
        std::string text;
        ReadFile(path_, &text);
        return text;
    }

private:
    int fd_ = -1;
    std::string path_;
};

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, int seconds,
                         const std::vector<std::string>& extraEnv) {
    ProcessResult result;
    if (argv.empty()) return result;
    CaptureFile out, err;
    std::vector<std::string> args = argv;
    std::vector<char*> cargs;
    for (std::string& a : args) cargs.push_back(a.data());
    cargs.push_back(nullptr);
    // The environment is built before fork: the child may only make async-signal-safe calls.
    std::vector<std::string> env = extraEnv;
    for (char** entry = environ; *entry != nullptr; ++entry) env.emplace_back(*entry);
    std::vector<char*> cenv;
    for (std::string& e : env) cenv.push_back(e.data());
    cenv.push_back(nullptr);

    pid_t child = fork();
    if (child < 0) return result;
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        if (in >= 0) dup2(in, 0);
        if (out.fd() >= 0) dup2(out.fd(), 1);
        if (err.fd() >= 0) dup2(err.fd(), 2);
        execve(cargs[0], cargs.data(), cenv.data());
        _exit(127);
    }
    result.started = true;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int status = 0;
    for (;;) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) break;
        if (done < 0 && errno != EINTR) break;
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
    result.out = out.Contents();
    result.err = err.Contents();
    return result;
}

bool ReadFile(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    *bytes = buffer.str();
    return true;
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace qz::corpus
