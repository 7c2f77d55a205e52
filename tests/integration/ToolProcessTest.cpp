// vantor-dfu as a user or a script runs it: a child process on the built-in virtual world, in
// unattended mode with headless output, on a small time scale. Checks its exit status, the lines
// it writes and the record of the virtual mouse it leaves.
#ifdef VANTOR_DFU

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/TempDir.h"
#include "support/WaitFor.h"

extern char** environ;

namespace devio::test {
namespace {

struct ToolRun {
    int exitStatus = -1;
    std::string output;
};

class ToolProcess : public ::testing::Test {
protected:
    std::string ReadFile(const std::string& path) {
        std::ifstream file(path);
        return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    }

    // Standard input at end of file, unless `during` is given: then standard input is a pipe that
    // stays open, and `during` runs with the child's pid and a reader of its output so far.
    ToolRun Run(std::vector<std::string> arguments,
                std::function<void(pid_t, std::function<std::string()>)> during = nullptr) {
        std::vector<std::string> environment = {
            "DEVIO_TIME_SCALE=0.01",
            "DEVIO_DEBUG_OUTPUT=file:" + dir_.file("debug.txt"),
            "XDG_CONFIG_HOME=" + dir_.file("config"),
            "XDG_RUNTIME_DIR=" + dir_.path(),
            "XDG_DOCUMENTS_DIR=" + dir_.path(),
            "TMPDIR=" + dir_.path(),
            "HOME=" + dir_.path(),
            "LC_ALL=C.UTF-8",
        };
        std::string outputPath = dir_.file("output.txt");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        int input[2] = {-1, -1};
        if (during) {
            EXPECT_EQ(pipe2(input, O_CLOEXEC), 0);
            posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
        } else {
            posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        }
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outputPath.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
        arguments.insert(arguments.begin(), VANTOR_DFU);
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (std::string& entry : environment) {
            envp.push_back(entry.data());
        }
        envp.push_back(nullptr);
        ToolRun run;
        pid_t pid = 0;
        if (posix_spawn(&pid, VANTOR_DFU, &actions, nullptr, argv.data(), envp.data()) == 0) {
            if (during) {
                during(pid, [&] { return ReadFile(outputPath); });
            }
            int status = 0;
            waitpid(pid, &status, 0);
            run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        for (int fd : input) {
            if (fd >= 0) {
                close(fd);
            }
        }
        posix_spawn_file_actions_destroy(&actions);
        run.output = ReadFile(outputPath);
        return run;
    }

    TempDir dir_;
};

TEST_F(ToolProcess, SimulatedUnattendedUpdateExitsZeroWithTheSuccessTextAndReport) {
    std::string reportPath = dir_.file("mouse.json");
    ToolRun run =
        Run({"--simulate", "--unattended", "--ui=headless", "--simulate-report=" + reportPath});
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_NE(run.output.find("\nstatus You have successfully updated the firmware\\r\\n\\r\\n"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("\nmessagebox "), std::string::npos) << "the profile question";
    EXPECT_NE(run.output.find("\nanswer yes\n"), std::string::npos);
    EXPECT_NE(run.output.find("\nend ok\n"), std::string::npos);

    std::ifstream file(reportPath);
    ASSERT_TRUE(file.is_open());
    nlohmann::json report = nlohmann::json::parse(file, nullptr, false);
    ASSERT_FALSE(report.is_discarded());
    EXPECT_EQ(report["running"]["firmware"], "QRT");
    EXPECT_EQ(report["running"]["version"], "8.6.28");
    EXPECT_EQ(report["images"]["application"]["bytes"], 79120);
    EXPECT_EQ(report["images"]["radio_stack"]["bytes"], 121216);
    EXPECT_EQ(report["images"]["application"]["sha256"].get<std::string>().size(), 64u);
    EXPECT_NE(report["profile_sector_1"]["at_start"], report["profile_sector_1"]["at_end"]);
    EXPECT_EQ(report["sectors"].size(), 10u);
    EXPECT_EQ(report["sectors"]["6"].get<std::string>().size(), 510u);
}

TEST_F(ToolProcess, ExitStatusTellsUpToDateNoDeviceAndBadCommandLine) {
    struct Row {
        std::vector<std::string> arguments;
        int exitStatus;
        const char* output;
    } rows[] = {
        {{"--simulate=8.6.28", "--unattended", "--ui=headless"},
         2,
         "\nstatus Your device has firmware v8.6.28 or higher. No update is needed.\n"},
        // Without --simulate the hidraw system finds no receiver here.
        {{"--unattended", "--ui=headless", "--wait=1"},
         3,
         "\nstatus Please plug the receiver that came with your device directly into a USB"},
        {{"--simulate=8.x"}, 1, ""},
        {{"--simulate-report=x.json"}, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.front());
        ToolRun run = Run(row.arguments);
        EXPECT_EQ(run.exitStatus, row.exitStatus) << run.output;
        EXPECT_NE(run.output.find(row.output), std::string::npos) << run.output;
    }
}

// Unattended mode answers the profile question Yes whatever standard input does: at end of file
// from the start, the input's end must never become an answer.
TEST_F(ToolProcess, UnattendedRunsAtEndOfInputNeverAnswerNo) {
    // The tool's acceptance runs it 20 times; a few runs keep the suite's time in bounds.
    constexpr int kRuns = 5;
    int updated = 0;
    for (int i = 0; i < kRuns; ++i) {
        ToolRun run = Run({"--simulate", "--unattended", "--ui=headless"});
        EXPECT_EQ(run.output.find("\nanswer no\n"), std::string::npos) << "run " << i;
        EXPECT_NE(run.output.find("\nanswer yes\n"), std::string::npos) << "run " << i;
        updated += run.exitStatus == 0 ? 1 : 0;
    }
    EXPECT_EQ(updated, kRuns);
}

// A signal while the dialog waits for Start closes it as Close does, with its own exit status.
TEST_F(ToolProcess, SignalOutsideTheUpdateClosesTheDialog) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        bool offered = false;
        ToolRun run = Run({"--simulate", "--ui=headless"},
                          [&](pid_t pid, const std::function<std::string()>& output) {
                              offered = wait_for([&] {
                                  return output().find("\nbutton start\n") != std::string::npos;
                              });
                              kill(pid, signal);
                          });
        EXPECT_TRUE(offered) << run.output;
        EXPECT_EQ(run.exitStatus, 128 + signal) << run.output;
        EXPECT_NE(run.output.find("\nend cancel\n"), std::string::npos) << run.output;
        EXPECT_NE(ReadFile(dir_.file("debug.txt"))
                      .find("Signal " + std::to_string(signal) + ": closing the dialog in state 3"),
                  std::string::npos);
    }
}

// Faults chosen on the command line reach the virtual mouse: one the controller recovers from, and
// a mouse that loses its power during the update for longer than the tool waits, which ends as the
// controller's failure (1), not as "nothing found" (3), whatever --wait says.
TEST_F(ToolProcess, SimulatedFaultsFromTheCommandLine) {
    struct Row {
        std::vector<std::string> arguments;
        int exitStatus;
        const char* output;
    } rows[] = {
        {{"--simulate", "--unattended", "--ui=headless", "--simulate-fault=bad-status@B:100:8"},
         0,
         "\nstatus You have successfully updated the firmware"},
        {{"--simulate", "--unattended", "--ui=headless", "--wait=1",
          "--simulate-fault=power-off@B:200:600000"},
         1,
         "\nstatus The firmware updated failed."},
        {{"--simulate", "--simulate-fault=power-off@A:1:x"}, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.back());
        ToolRun run = Run(row.arguments);
        EXPECT_EQ(run.exitStatus, row.exitStatus) << run.output;
        EXPECT_NE(run.output.find(row.output), std::string::npos) << run.output;
    }
    EXPECT_NE(ReadFile(dir_.file("debug.txt")).find("Something bad happened 8..."),
              std::string::npos);
}

} // namespace
} // namespace devio::test

#endif
