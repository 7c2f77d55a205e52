// Whether a thread or process sleeps in the kernel, so that a test can act once another task has
// reached the blocking wait it was heading to, without sleeping and hoping.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "support/WaitFor.h"

namespace devio::test {

// True when the task whose /proc stat file is given sleeps in the kernel (a blocking wait).
inline bool task_sleeping(const std::string& stat_path) {
    std::ifstream file(stat_path);
    std::string stat((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    size_t end_of_name = stat.rfind(')');
    return end_of_name != std::string::npos && end_of_name + 2 < stat.size() &&
           stat[end_of_name + 2] == 'S';
}

// Waits until a thread of this process sleeps: it has reached the blocking wait it was heading to.
inline bool wait_until_thread_sleeps(int tid) {
    return wait_for(
        [&] { return task_sleeping("/proc/self/task/" + std::to_string(tid) + "/stat"); });
}

} // namespace devio::test
