#include "Source/System/AtomicFile.h"

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Source/System/SystemError.h"
#include "support/TempDir.h"

namespace devio::sys {
namespace {

std::vector<std::string> names_in(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

TEST(AtomicFile, AReplacementLeavesTheNewContentsAndNoTemporaryFile) {
    test::TempDir dir;
    std::string file = dir.file("cache.xml");
    ASSERT_TRUE(replace_file_contents(file, "one"));
    ASSERT_TRUE(replace_file_contents(file, "two"));
    std::string text;
    ASSERT_TRUE(read_file_contents(file, text));
    EXPECT_EQ(text, "two");
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"cache.xml"});
}

TEST(AtomicFile, AFailedReplacementLeavesWhatWasThere) {
    test::TempDir dir;
    EXPECT_FALSE(replace_file_contents(dir.file("missing/cache.xml"), "text"));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));

    // A folder where the file should be cannot be replaced by a file.
    std::filesystem::create_directories(dir.file("taken/inside"));
    EXPECT_FALSE(replace_file_contents(dir.file("taken"), "text"));
    EXPECT_NE(last_system_error(), 0u);
    EXPECT_TRUE(std::filesystem::is_directory(dir.file("taken/inside")));
    EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"taken"});

    std::string text = "kept";
    EXPECT_FALSE(read_file_contents(dir.file("none.xml"), text));
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(ENOENT));
}

TEST(AtomicFile, AWriterKilledMidwayLeavesTheOldContentsOrTheNew) {
    test::TempDir dir;
    std::string file = dir.file("cache.xml");
    const std::string first(256 * 1024, 'a');
    const std::string second(256 * 1024, 'b');
    ASSERT_TRUE(replace_file_contents(file, first));
    int progress[2];
    ASSERT_EQ(pipe(progress), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // Replaces the file over and over, telling the parent after each replacement.
        for (bool flip = false;; flip = !flip) {
            if (!replace_file_contents(file, flip ? first : second) ||
                write(progress[1], "x", 1) != 1) {
                _exit(1);
            }
        }
    }
    close(progress[1]);
    char done = 0;
    for (int i = 0; i < 10; ++i) {
        ASSERT_EQ(read(progress[0], &done, 1), 1);
    }
    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    close(progress[0]);
    EXPECT_TRUE(WIFSIGNALED(status));
    std::string text;
    ASSERT_TRUE(read_file_contents(file, text));
    EXPECT_TRUE(text == first || text == second) << text.size() << " bytes";
}

} // namespace
} // namespace devio::sys
