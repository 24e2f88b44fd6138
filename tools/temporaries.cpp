#include "temporaries.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

namespace tool {
namespace {

struct Recorded {
    std::mutex lock;
    std::set<std::string> names;
};

// Never destroyed: the thread that waits for an interruption may use it while the tool exits.
Recorded& Temporaries() {
    static Recorded* recorded = new Recorded;
    return *recorded;
}

// Waits for one of the signals, removes the temporary files and ends the tool by that signal.
void WaitForInterruption(sigset_t caught) {
    int sig = 0;
    if (::sigwait(&caught, &sig) != 0) return;
    // The lock is never given back: no output is put in place and no file is made after the interruption.
    Temporaries().lock.lock();
    for (const std::string& name : Temporaries().names) ::unlink(name.c_str());
    // Ends the way the signal would have ended it, so the caller sees the interruption.
    ::signal(sig, SIG_DFL);
    sigset_t one;
    sigemptyset(&one);
    sigaddset(&one, sig);
    ::pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
    ::raise(sig);
    ::_exit(128 + sig);
}

}  // namespace

int MakeRecordedTemporary(const std::function<int(std::string&)>& make, std::string& name) {
    std::lock_guard<std::mutex> hold(Temporaries().lock);
    const int fd = make(name);
    if (fd >= 0) Temporaries().names.insert(name);
    return fd;
}

int PlaceRecordedTemporary(const std::string& temp, const std::string& path) {
    std::lock_guard<std::mutex> hold(Temporaries().lock);
    if (::rename(temp.c_str(), path.c_str()) != 0) return errno;
    Temporaries().names.erase(temp);
    return 0;
}

void RemoveRecordedTemporary(const std::string& temp) {
    std::lock_guard<std::mutex> hold(Temporaries().lock);
    ::unlink(temp.c_str());
    Temporaries().names.erase(temp);
}

void RemoveTemporariesOnInterrupt() {
    sigset_t caught;
    sigemptyset(&caught);
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
        // A signal the tool was started ignoring (nohup, a background job) stays ignored.
        struct sigaction now {};
        if (::sigaction(sig, nullptr, &now) == 0 && now.sa_handler != SIG_IGN) sigaddset(&caught, sig);
    }
    // Blocked here, before any other thread exists, so that every thread inherits the mask and the signals reach
    // only the waiting thread, which may take the lock that signal handlers could not.
    if (::pthread_sigmask(SIG_BLOCK, &caught, nullptr) != 0) return;
    try {
        std::thread(WaitForInterruption, caught).detach();
    } catch (const std::system_error&) {
        // No thread to wait with: the signals keep their default action, as without this.
        ::pthread_sigmask(SIG_UNBLOCK, &caught, nullptr);
    }
}

}  // namespace tool
