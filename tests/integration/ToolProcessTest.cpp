// vantor-dfu as a user or a script runs it: a child process on the built-in virtual world, in
// unattended mode with headless output, on a small time scale. Checks its exit status, the lines
// it writes and the record of the virtual mouse it leaves.
#ifdef VANTOR_DFU

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "support/TempDir.h"

extern char** environ;

namespace devio::test {
namespace {

struct ToolRun {
    int exitStatus = -1;
    std::string output;
};

class ToolProcess : public ::testing::Test {
protected:
    ToolRun Run(std::vector<std::string> arguments) {
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
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
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
            int status = 0;
            waitpid(pid, &status, 0);
            run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        std::ifstream output(outputPath);
        run.output.assign(std::istreambuf_iterator<char>(output), std::istreambuf_iterator<char>());
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

} // namespace
} // namespace devio::test

#endif
