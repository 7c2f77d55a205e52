// vantor-dfu as a child process on the built-in virtual world, with its folders prepared
// beforehand by "another account": the diagnostic log's folder, the runtime folder and the store's
// folder, or links planted under the names of the log files it is about to create. Each run must
// refuse them, say why, write nothing into or through them, and still update the mouse.
#ifdef VANTOR_DFU

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/HostileFolder.h"
#include "support/TempDir.h"

namespace devio::test {
namespace {

// The name the tool's log gives itself: letters and digits of "vantor-dfu".
constexpr const char* kProcessName = "vantordfu";

struct ToolRun {
    int exitStatus = -1;
    std::string output;      // standard output
    std::string diagnostics; // standard error and the debugger output
};

std::string ReadAll(const std::string& path) {
    std::ifstream file(path);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Appends the decimal digits of `value` without the C library (the child calls this after fork).
void AppendNumber(std::string& text, unsigned long value) {
    char digits[24];
    size_t length = 0;
    do {
        digits[length++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (length > 0) {
        text += digits[--length];
    }
}

// Runs the simulated unattended update with its temporary, runtime and home folder in `dir`; the
// time scale and the long wait for the receiver only keep a loaded machine from failing it.
// With `plantIn`, the child links every name its log file could get in the next seconds, in that
// folder, to `victim` before it becomes the tool.
ToolRun RunTool(const TempDir& dir, const std::string& plantIn = {},
                const std::string& victim = {}) {
    std::vector<std::string> environment = {
        "DEVIO_TIME_SCALE=0.02",
        "DEVIO_DEBUG_OUTPUT=file:" + dir.file("debug.txt"),
        "XDG_CONFIG_HOME=" + dir.file("config"),
        "XDG_RUNTIME_DIR=" + dir.path(),
        "TMPDIR=" + dir.path(),
        "HOME=" + dir.path(),
        "LC_ALL=C.UTF-8",
    };
    std::vector<std::string> arguments = {VANTOR_DFU, "--simulate", "--unattended", "--ui=headless",
                                          "--wait=600"};
    std::vector<char*> argv, envp;
    for (std::string& argument : arguments) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    for (std::string& entry : environment) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    // "<folder>/xlog_<start>_" for the next seconds; the child adds its process id.
    std::vector<std::string> prefixes;
    for (time_t start = std::time(nullptr) - 1; !plantIn.empty() && prefixes.size() < 8; ++start) {
        tm local{};
        localtime_r(&start, &local);
        char text[32];
        std::strftime(text, sizeof(text), "%Y%m%d_%H%M%S", &local);
        prefixes.push_back(plantIn + "/xlog_" + text + "_");
        prefixes.back().reserve(prefixes.back().size() + 64);
    }
    const std::string suffix = std::string("_") + kProcessName + "_devio.dblog";
    const std::string outputPath = dir.file("output.txt");
    const std::string errorPath = dir.file("stderr.txt");

    ToolRun run;
    pid_t pid = fork();
    if (pid == 0) {
        for (std::string& name : prefixes) {
            AppendNumber(name, static_cast<unsigned long>(getpid()));
            name += suffix; // fits the reserved room: no allocation
            symlink(victim.c_str(), name.c_str());
        }
        int in = open("/dev/null", O_RDONLY);
        int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        int err = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 ||
            dup2(err, 2) < 0) {
            _exit(127);
        }
        execve(VANTOR_DFU, argv.data(), envp.data());
        _exit(127);
    }
    if (pid > 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    run.output = ReadAll(outputPath);
    run.diagnostics = ReadAll(errorPath) + ReadAll(dir.file("debug.txt"));
    return run;
}

TEST(HostileFolderTool, RefusesPreparedFoldersAndStillUpdatesTheMouse) {
    for (const HostileRow& row : kHostileFolders) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const std::string log = dir.file("xlog_varkon");
        const std::string runtime = dir.file("devio");
        const std::string config = dir.file("config/varkon");
        ASSERT_EQ(mkdir(dir.file("config").c_str(), 0700), 0);
        if (!MakeHostileFolder(log, row.kind, dir.file("elsewhere-log")) ||
            !MakeHostileFolder(runtime, row.kind, dir.file("elsewhere-runtime")) ||
            !MakeHostileFolder(config, row.kind, dir.file("elsewhere-config"))) {
            GTEST_LOG_(INFO) << "skipped: this system cannot make " << row.name;
            continue;
        }
        ToolRun run = RunTool(dir);
        EXPECT_EQ(run.exitStatus, 0) << run.output << run.diagnostics;
        EXPECT_NE(run.output.find("\nend ok\n"), std::string::npos) << run.output;
        for (const std::string& folder : {log, runtime, config}) {
            EXPECT_TRUE(LeftEmpty(folder)) << folder;
            EXPECT_NE(run.diagnostics.find(folder + " is not used: " + row.reason),
                      std::string::npos)
                << folder << "\n"
                << run.diagnostics.substr(0, 4000);
        }
    }
}

TEST(HostileFolderTool, LinksUnderTheNextLogFileNamesAreNotFollowed) {
    TempDir dir;
    const std::string log = dir.file("xlog_varkon");
    ASSERT_EQ(mkdir(log.c_str(), 0700), 0);
    const std::string victim = dir.file("victim");
    std::ofstream(victim) << "keep";
    ToolRun run = RunTool(dir, log, victim);
    EXPECT_EQ(run.exitStatus, 0) << run.output << run.diagnostics;
    EXPECT_NE(run.output.find("\nend ok\n"), std::string::npos) << run.output;
    EXPECT_EQ(ReadAll(victim), "keep");
    EXPECT_NE(run.diagnostics.find("Could not create log file " + log + "/xlog_"),
              std::string::npos)
        << run.diagnostics.substr(0, 4000);
}

} // namespace
} // namespace devio::test

#endif // VANTOR_DFU
