// Another process for the System tests: the helper program (or any program) started with pipes
// on its standard input and output, killed and reaped at the end of the test if still running.
#pragma once

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "TaskState.h"
#include "support/WaitFor.h"

namespace devio::test {

class HelperProcess {
public:
    explicit HelperProcess(const std::vector<std::string>& args,
                           const std::string& program = DEVIO_SYSTEM_HELPER) {
        int input[2], output[2];
        if (pipe2(input, O_CLOEXEC) != 0 || pipe2(output, O_CLOEXEC) != 0) {
            return;
        }
        std::vector<std::string> words{program};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words) {
            argv.push_back(word.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, input[0], 0);
        posix_spawn_file_actions_adddup2(&actions, output[1], 1);
        if (posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(input[0]);
        close(output[1]);
        input_ = input[1];
        output_ = output[0];
    }
    ~HelperProcess() {
        close_input();
        if (output_ >= 0) {
            close(output_);
        }
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            exit_status();
        }
    }
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    int pid() const { return pid_; }

    // One line of the helper's output without its newline; empty at the end of the output.
    std::string read_line() {
        std::string line;
        char c;
        while (read(output_, &c, 1) == 1 && c != '\n') {
            line += c;
        }
        return line;
    }

    void close_input() {
        if (input_ >= 0) {
            close(input_);
            input_ = -1;
        }
    }

    bool wait_until_sleeping() const {
        return wait_for([&] { return task_sleeping("/proc/" + std::to_string(pid_) + "/stat"); });
    }

    // True once the process has ended (it is then reaped); never waits.
    bool has_exited() {
        if (!reaped_ && waitpid(pid_, &status_, WNOHANG) == pid_) {
            reaped_ = true;
        }
        return reaped_;
    }

    // Waits for the end and returns the raw wait status.
    int exit_status() {
        while (!reaped_ && waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        reaped_ = true;
        return status_;
    }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool reaped_ = false;
    int status_ = 0;
};

} // namespace devio::test
