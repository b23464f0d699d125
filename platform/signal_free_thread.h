#pragma once
// A thread of ours inside a host process starts with every signal blocked, so the host's
// signals are never delivered to it (the host's handlers expect its own threads).
#include <pthread.h>
#include <signal.h>

#include <thread>
#include <utility>

namespace velmo {

template <typename Body>
std::thread startSignalFreeThread(Body&& body) {
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    std::thread thread(std::forward<Body>(body));
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return thread;
}

}  // namespace velmo
