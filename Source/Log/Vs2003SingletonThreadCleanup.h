// The process's shutdown guard: callbacks that stop library threads in order when the main
// function ends, and the check that library code makes before it joins worker threads during
// static destruction.
//
// The tool marks the guard present at the start of its main sequence and runs the callbacks at its
// end; the diagnostic log (its log thread) and the library facade register their shutdown here.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

namespace devio {

class Vs2003SingletonThreadCleanup {
public:
    using Callback = std::function<void()>;

    // The one guard of the process.
    static Vs2003SingletonThreadCleanup& instance();

    // Marks the guard as present (start of the tool's main sequence).
    void set_present();
    bool present() const;
    bool callbacks_ran() const;

    // Adds a callback; callbacks run once each, in registration order.
    void register_callback(Callback callback);
    // Runs every registered callback in registration order, empties the list and marks the
    // callbacks as run. Callbacks registered while they run are run too.
    void run_callbacks();

    // Called by library code before it joins its threads at destruction time. While the guard is
    // present and its callbacks have not run, returns at once. Otherwise logs why and ends the
    // process immediately with exit code 0.
    static void about_to_join();

private:
    mutable std::mutex mutex_;
    std::vector<Callback> callbacks_;
    std::atomic<bool> present_{false};
    std::atomic<bool> callbacks_ran_{false};
};

} // namespace devio
