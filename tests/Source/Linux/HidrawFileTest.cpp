// Overlapped reads and writes of a hidraw file, on one end of a socket pair standing in for the
// node: the test's end plays the kernel's side of the device.
#include "Source/Linux/HidrawFile.h"

#include <memory>
#include <vector>

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "Source/Windows/Win32LastError.h"

namespace devio {
namespace {

using Bytes = std::vector<Byte>;

constexpr DWORD kBound = 10000; // only ends a hanging test

class HidrawFileTest : public ::testing::Test {
protected:
    // A file for a collection with 7-byte input reports of ID 0x10.
    void open(bool uses_report_ids = true, bool shares_node = false) {
        int ends[2];
        ASSERT_EQ(socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, ends), 0);
        device_ = ends[1];
        HidrawFile::Collection collection;
        collection.input_length = 7;
        collection.uses_report_ids = uses_report_ids;
        collection.input_report_ids = {0x10};
        collection.shares_node = shares_node;
        file_ = std::make_shared<HidrawFile>(ends[0], collection, kernel_, "test node");
        ASSERT_TRUE(file_->start());
        event_ = kernel_.create_event(false, false);
        overlapped_.hEvent = event_;
    }
    ~HidrawFileTest() override {
        file_.reset();
        if (device_ >= 0) {
            close(device_);
        }
    }

    void send(const Bytes& report) {
        ASSERT_EQ(::write(device_, report.data(), report.size()),
                  static_cast<ssize_t>(report.size()));
    }
    void start_read() {
        buffer_.assign(32, 0xEE);
        ASSERT_FALSE(
            file_->read(buffer_.data(), static_cast<DWORD>(buffer_.size()), nullptr, &overlapped_));
        ASSERT_EQ(win32_last_error(), ERROR_IO_PENDING);
    }
    // Waits for the operation and returns its error (ERROR_SUCCESS) and length.
    DWORD finish(DWORD* transferred) {
        EXPECT_EQ(kernel_.wait(&event_, 1, FALSE, kBound), WAIT_OBJECT_0);
        return kernel_.result(&overlapped_, transferred, false) ? ERROR_SUCCESS
                                                                : win32_last_error();
    }

    KernelObjects kernel_;
    std::shared_ptr<HidrawFile> file_;
    int device_ = -1;
    HANDLE event_{};
    OVERLAPPED overlapped_;
    Bytes buffer_;
};

TEST_F(HidrawFileTest, PendingReadCompletesWithTheNextReportOfItsCollection) {
    open(true, true);
    start_read();
    EXPECT_EQ(file_->pending_reads(), 1u);
    send({0x11, 1, 2, 3, 4, 5, 6, 7, 8}); // another collection's report: dropped
    send({0x10, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x04});
    DWORD transferred = 0;
    ASSERT_EQ(finish(&transferred), ERROR_SUCCESS);
    EXPECT_EQ(Bytes(buffer_.begin(), buffer_.begin() + transferred),
              (Bytes{0x10, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x04}));
}

TEST_F(HidrawFileTest, CollectionWithoutReportIdsReadsWithAZeroIdByte) {
    open(false);
    start_read();
    send({1, 2, 3, 4, 5, 6});
    DWORD transferred = 0;
    ASSERT_EQ(finish(&transferred), ERROR_SUCCESS);
    EXPECT_EQ(Bytes(buffer_.begin(), buffer_.begin() + transferred), (Bytes{0, 1, 2, 3, 4, 5, 6}));
}

TEST_F(HidrawFileTest, WriteReachesTheNodeByteExactly) {
    open();
    const Bytes report = {0x10, 0xFF, 0x81, 0x00, 0x00, 0x00, 0x00};
    ASSERT_FALSE(
        file_->write(report.data(), static_cast<DWORD>(report.size()), nullptr, &overlapped_));
    ASSERT_EQ(win32_last_error(), ERROR_IO_PENDING);
    DWORD transferred = 0;
    ASSERT_EQ(finish(&transferred), ERROR_SUCCESS);
    EXPECT_EQ(transferred, report.size());
    Bytes received(64);
    ssize_t length = ::read(device_, received.data(), received.size());
    ASSERT_EQ(length, static_cast<ssize_t>(report.size()));
    received.resize(static_cast<std::size_t>(length));
    EXPECT_EQ(received, report);
}

TEST_F(HidrawFileTest, CancelEndsThePendingReadAndOnlyIt) {
    open();
    start_read();
    ASSERT_TRUE(file_->cancel(&overlapped_, false));
    DWORD transferred = 0;
    EXPECT_EQ(finish(&transferred), ERROR_OPERATION_ABORTED);
    EXPECT_FALSE(file_->cancel(nullptr, false));
    EXPECT_EQ(win32_last_error(), ERROR_NOT_FOUND);
    // The report that comes later waits for the next read.
    send({0x10, 1, 2, 3, 4, 5, 6});
    start_read();
    ASSERT_EQ(finish(&transferred), ERROR_SUCCESS);
    EXPECT_EQ(buffer_[1], 1);
}

TEST_F(HidrawFileTest, RemovalWhileAReadIsPendingEndsItWithDeviceNotConnected) {
    open();
    start_read();
    close(device_);
    device_ = -1;
    DWORD transferred = 0;
    EXPECT_EQ(finish(&transferred), ERROR_DEVICE_NOT_CONNECTED);
    Bytes buffer(7);
    EXPECT_FALSE(file_->read(buffer.data(), 7, nullptr, &overlapped_));
    EXPECT_EQ(win32_last_error(), ERROR_DEVICE_NOT_CONNECTED);
    EXPECT_FALSE(file_->write(buffer.data(), 7, nullptr, &overlapped_));
    EXPECT_EQ(win32_last_error(), ERROR_DEVICE_NOT_CONNECTED);
}

TEST_F(HidrawFileTest, CloseEndsWhatIsPendingAsAborted) {
    open();
    start_read();
    file_->closed();
    DWORD transferred = 0;
    EXPECT_EQ(finish(&transferred), ERROR_OPERATION_ABORTED);
}

TEST_F(HidrawFileTest, ShortBufferIsRefusedAtOnce) {
    open();
    Bytes small(6);
    EXPECT_FALSE(file_->read(small.data(), 6, nullptr, &overlapped_));
    EXPECT_EQ(win32_last_error(), ERROR_INVALID_USER_BUFFER);
}

} // namespace
} // namespace devio
