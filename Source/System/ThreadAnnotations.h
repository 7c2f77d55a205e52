// Lock annotations for clang's thread-safety analysis (-Wthread-safety), and the annotated mutex
// and lock guard the library, the simulator and the tool use, so that the compiler checks which
// lock guards which field and which functions take or need a lock. Other compilers see empty
// macros and plain std::mutex behaviour.
//
//     sys::Mutex mutex_;
//     int count_ DEVIO_GUARDED_BY(mutex_) = 0;
//     void bump() DEVIO_EXCLUDES(mutex_) { sys::MutexLock lock(mutex_); ++count_; }
//     void bump_locked() DEVIO_REQUIRES(mutex_);
//
// A condition variable waits through sys::MutexLock (std::condition_variable_any): the analysis
// treats the lock as held for the whole wait, which is what the code after the wait may assume.
#pragma once

#include <mutex>

#if defined(__clang__)
#define DEVIO_THREAD_ANNOTATION(x) __attribute__((x))
#else
#define DEVIO_THREAD_ANNOTATION(x)
#endif

#define DEVIO_CAPABILITY(x) DEVIO_THREAD_ANNOTATION(capability(x))
#define DEVIO_SCOPED_CAPABILITY DEVIO_THREAD_ANNOTATION(scoped_lockable)
#define DEVIO_GUARDED_BY(x) DEVIO_THREAD_ANNOTATION(guarded_by(x))
#define DEVIO_PT_GUARDED_BY(x) DEVIO_THREAD_ANNOTATION(pt_guarded_by(x))
#define DEVIO_ACQUIRED_BEFORE(...) DEVIO_THREAD_ANNOTATION(acquired_before(__VA_ARGS__))
#define DEVIO_ACQUIRED_AFTER(...) DEVIO_THREAD_ANNOTATION(acquired_after(__VA_ARGS__))
#define DEVIO_REQUIRES(...) DEVIO_THREAD_ANNOTATION(requires_capability(__VA_ARGS__))
#define DEVIO_ACQUIRE(...) DEVIO_THREAD_ANNOTATION(acquire_capability(__VA_ARGS__))
#define DEVIO_RELEASE(...) DEVIO_THREAD_ANNOTATION(release_capability(__VA_ARGS__))
#define DEVIO_TRY_ACQUIRE(...) DEVIO_THREAD_ANNOTATION(try_acquire_capability(__VA_ARGS__))
#define DEVIO_EXCLUDES(...) DEVIO_THREAD_ANNOTATION(locks_excluded(__VA_ARGS__))
#define DEVIO_ASSERT_CAPABILITY(x) DEVIO_THREAD_ANNOTATION(assert_capability(x))
#define DEVIO_RETURN_CAPABILITY(x) DEVIO_THREAD_ANNOTATION(lock_returned(x))
// Turns the analysis off for one function; say at the place why the analysis cannot follow it.
#define DEVIO_NO_THREAD_SAFETY_ANALYSIS DEVIO_THREAD_ANNOTATION(no_thread_safety_analysis)

namespace devio::sys {

// A std::mutex the analysis knows as a lock. Not recursive.
class DEVIO_CAPABILITY("mutex") Mutex {
public:
    Mutex() = default;
    Mutex(const Mutex&) = delete;
    Mutex& operator=(const Mutex&) = delete;

    void lock() DEVIO_ACQUIRE() { mutex_.lock(); }
    void unlock() DEVIO_RELEASE() { mutex_.unlock(); }
    bool try_lock() DEVIO_TRY_ACQUIRE(true) { return mutex_.try_lock(); }

private:
    std::mutex mutex_;
};

// Holds a Mutex for its scope (std::lock_guard), and may let it go and take it again in between
// (std::unique_lock): a condition_variable_any waits on it.
class DEVIO_SCOPED_CAPABILITY MutexLock {
public:
    explicit MutexLock(Mutex& mutex) DEVIO_ACQUIRE(mutex) : mutex_(mutex) { mutex_.lock(); }
    ~MutexLock() DEVIO_RELEASE() {
        if (held_) {
            mutex_.unlock();
        }
    }
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

    void lock() DEVIO_ACQUIRE() {
        mutex_.lock();
        held_ = true;
    }
    void unlock() DEVIO_RELEASE() {
        held_ = false;
        mutex_.unlock();
    }

private:
    Mutex& mutex_;
    bool held_ = true;
};

} // namespace devio::sys
