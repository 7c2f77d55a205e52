#include "Source/System/NamedLock.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "Source/System/SystemError.h"
#include "support/TempDir.h"

namespace devio::sys {
namespace {

class NamedLockTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedEnv runtime{"XDG_RUNTIME_DIR", dir.path().c_str()};
};

TEST_F(NamedLockTest, ThreadsOfOneProcessTakeTurns) {
    int counter = 0; // guarded only by the named lock: ThreadSanitizer sees a broken lock
    auto work = [&counter] {
        NamedLock lock;
        ASSERT_TRUE(lock.open("Global\\devio_test"));
        for (int i = 0; i < 2000; ++i) {
            ASSERT_TRUE(lock.lock());
            int seen = counter;
            counter = seen + 1;
            ASSERT_TRUE(lock.unlock());
        }
    };
    std::thread a(work), b(work);
    a.join();
    b.join();
    EXPECT_EQ(counter, 4000);
}

TEST_F(NamedLockTest, OwnerMayTakeItAgainAndOthersMayNotRelease) {
    NamedLock lock;
    ASSERT_TRUE(lock.open("devio_0x40a1"));
    ASSERT_TRUE(lock.lock());
    ASSERT_TRUE(lock.try_lock());
    bool other_took = true;
    bool other_released = true;
    std::thread other([&] {
        NamedLock mine;
        mine.open("devio_0x40a1");
        other_took = mine.try_lock();
        other_released = lock.unlock();
    });
    other.join();
    EXPECT_FALSE(other_took);
    EXPECT_FALSE(other_released);
    EXPECT_TRUE(lock.unlock());
    EXPECT_TRUE(lock.unlock());
    EXPECT_FALSE(lock.unlock());
    EXPECT_EQ(last_system_error(), static_cast<uint32_t>(EPERM));
}

TEST_F(NamedLockTest, LockOfADeadProcessIsReleased) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        NamedLock lock;
        if (!lock.open("VarkonTessaly") || !lock.lock()) {
            _exit(1);
        }
        char byte = 1;
        (void)!write(ready[1], &byte, 1);
        pause(); // holds the lock until killed
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);

    NamedLock lock;
    ASSERT_TRUE(lock.open("VarkonTessaly"));
    EXPECT_FALSE(lock.try_lock());

    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(lock.lock()); // returns: the kernel released the dead holder's lock
    EXPECT_TRUE(lock.unlock());
    close(ready[0]);
    close(ready[1]);
}

TEST_F(NamedLockTest, UnopenedLockFails) {
    NamedLock lock;
    EXPECT_FALSE(lock.lock());
    EXPECT_FALSE(lock.unlock());
}

} // namespace
} // namespace devio::sys
