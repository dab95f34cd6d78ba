#include "musicxml/write/temporary_file.h"

#include <pthread.h>
#include <signal.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace qz::musicxml {
namespace {

// What the signal handler reads: plain memory only. A path is in place before its flag is set
// and its flag is cleared before the path is reused, both with the signals held back. The tool
// writes from one thread; a run stages at most a score, a report and a picture at a time.
constexpr int kSlots = 8;
constexpr std::size_t kPathBytes = 4096;
char g_paths[kSlots][kPathBytes];
volatile sig_atomic_t g_inUse[kSlots];

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

void RemoveTemporariesAndRaise(int signal) {
    for (int i = 0; i < kSlots; ++i)
        if (g_inUse[i]) ::unlink(g_paths[i]);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    ::sigaction(signal, &standard, nullptr);
    // Delivered with the default action as soon as the handler returns.
    ::raise(signal);
}

void InstallHandlers() {
    for (int signal : kSignals) {
        struct sigaction current {};
        if (::sigaction(signal, nullptr, &current) != 0) continue;
        if ((current.sa_flags & SA_SIGINFO) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction mine {};
        mine.sa_handler = RemoveTemporariesAndRaise;
        sigemptyset(&mine.sa_mask);
        for (int other : kSignals) sigaddset(&mine.sa_mask, other);
        ::sigaction(signal, &mine, nullptr);
    }
}

// Holds the signals back while the table and the file system disagree (a file created but not
// yet listed, a file renamed but still listed).
class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held;
        sigemptyset(&held);
        for (int signal : kSignals) sigaddset(&held, signal);
        ::pthread_sigmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() {
        const int saved = errno;
        ::pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
        errno = saved;
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_;
};

int FreeSlot() {
    for (int i = 0; i < kSlots; ++i)
        if (!g_inUse[i]) return i;
    return -1;
}

}  // namespace

TemporaryFile::~TemporaryFile() { Discard(); }

bool TemporaryFile::Create(const std::string& folder, int* errorCode, const std::string& suffix) {
    static const bool installed = (InstallHandlers(), true);
    (void)installed;
    Discard();
    const std::string pattern = folder + "/.motifgraft-XXXXXX" + suffix;
    if (pattern.size() >= kPathBytes) {
        *errorCode = ENAMETOOLONG;
        return false;
    }
    SignalsHeld held;
    const int slot = FreeSlot();
    if (slot < 0) {
        *errorCode = EMFILE;
        return false;
    }
    // mkstemps fills in the name where the handler will look for it.
    std::memcpy(g_paths[slot], pattern.c_str(), pattern.size() + 1);
    const int fd = ::mkstemps(g_paths[slot], static_cast<int>(suffix.size()));
    if (fd < 0) {
        *errorCode = errno;
        return false;
    }
    g_inUse[slot] = 1;
    slot_ = slot;
    fd_ = fd;
    path_ = g_paths[slot];
    return true;
}

bool TemporaryFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool TemporaryFile::Close() {
    if (fd_ < 0) return true;
    const int result = ::close(fd_);
    fd_ = -1;
    return result == 0;
}

bool TemporaryFile::RenameOver(const std::string& target) {
    if (slot_ < 0) {
        errno = ENOENT;
        return false;
    }
    SignalsHeld held;
    if (::rename(path_.c_str(), target.c_str()) != 0) return false;
    g_inUse[slot_] = 0;
    slot_ = -1;
    path_.clear();
    return true;
}

void TemporaryFile::Discard() {
    Close();
    if (slot_ < 0) return;
    SignalsHeld held;
    ::unlink(path_.c_str());
    g_inUse[slot_] = 0;
    slot_ = -1;
    path_.clear();
}

}  // namespace qz::musicxml
