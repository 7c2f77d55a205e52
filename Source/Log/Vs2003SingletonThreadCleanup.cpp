#include "Source/Log/Vs2003SingletonThreadCleanup.h"

#include <cstdio>
#include <unistd.h>

#include "Source/Log/xLog.h"

namespace devio {

Vs2003SingletonThreadCleanup& Vs2003SingletonThreadCleanup::instance() {
    // Never destroyed: about_to_join() consults it during static destruction.
    static auto* guard = new Vs2003SingletonThreadCleanup();
    return *guard;
}

void Vs2003SingletonThreadCleanup::set_present() {
    present_.store(true);
}

bool Vs2003SingletonThreadCleanup::present() const {
    return present_.load();
}

bool Vs2003SingletonThreadCleanup::callbacks_ran() const {
    return callbacks_ran_.load();
}

void Vs2003SingletonThreadCleanup::register_callback(Callback callback) {
    std::lock_guard<std::mutex> lock(mutex_);
    callbacks_.push_back(std::move(callback));
}

void Vs2003SingletonThreadCleanup::run_callbacks() {
    // Callbacks run without the mutex held, so that they may register further callbacks (a log
    // thread started by a callback's logging registers the log's shutdown); those run in a later
    // round.
    for (;;) {
        std::vector<Callback> round;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            round.swap(callbacks_);
        }
        if (round.empty()) {
            break;
        }
        for (Callback& callback : round) {
            try {
                callback();
            } catch (...) {
                // A failing shutdown must not keep the later ones from running.
            }
        }
    }
    callbacks_ran_.store(true);
}

void Vs2003SingletonThreadCleanup::about_to_join() {
    const Vs2003SingletonThreadCleanup& guard = instance();
    if (guard.present() && !guard.callbacks_ran()) {
        return;
    }
    const char* where = "Vs2003SingletonThreadCleanup::about_to_join";
    xLogWrite("Untagged", kLogInfo, where,
              "joinable threads after main exited, so terminating process to avoid VS2003 runtime "
              "library crash");
    if (!guard.present()) {
        xLogWrite("Untagged", kLogInfo, where,
                  "you should have put a Vs2003SingletonThreadCleanup guard object in main()");
    }
    // The process ends without running the remaining exit handlers; what has been written so far
    // (the log file included) must not be lost with them.
    std::fflush(nullptr);
    _exit(0);
}

} // namespace devio
