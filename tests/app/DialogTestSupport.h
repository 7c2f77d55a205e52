// Pieces the dialog tests share: a small dialog template, a handler whose behaviour each test
// scripts, a view that records what it is told, and a pipe to read a view's output from.
#pragma once

#include <fcntl.h>
#include <functional>
#include <poll.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "app/ui/DialogHost.h"

namespace devio::app::ui::test {

enum SmallIds { kStatus = 10, kNotes = 11, kProgress = 12, kClose = 13, kStart = 14 };

// A status text, a list, a progress bar and two buttons sharing one place.
inline DialogTemplate SmallTemplate() {
    return DialogTemplate{
        1,
        200,
        100,
        {
            {kStatus, ControlKind::Static, "status", 0, 0, 200, 20, true, 0},
            {kNotes, ControlKind::ListBox, "notes", 0, 24, 200, 20, true, 0},
            {kProgress, ControlKind::ProgressBar, "progress", 0, 50, 200, 10, false, 0},
            {kClose, ControlKind::PushButton, "close", 140, 70, 60, 14, false, 'C'},
            {kStart, ControlKind::PushButton, "start", 140, 70, 60, 14, false, 'S'},
        }};
}

// A handler that does what the test gives it and records the commands it receives.
struct ScriptedHandler : IDialogHandler {
    std::function<void()> init;
    std::function<void(int)> command;
    std::function<void(uintptr_t)> timer;
    std::function<void(uint32_t, uintptr_t)> message;
    std::vector<int> commands;

    void OnInitDialog() override {
        if (init) {
            init();
        }
    }
    void OnCommand(int id) override {
        commands.push_back(id);
        if (command) {
            command(id);
        }
    }
    void OnTimer(uintptr_t id) override {
        if (timer) {
            timer(id);
        }
    }
    void OnMessage(uint32_t msg, uintptr_t wparam, intptr_t) override {
        if (message) {
            message(msg, wparam);
        }
    }
};

// A view that records every call as a line ("open", "change 3 10", "box <caption>", "answer 6",
// "close 1") and runs optional hooks.
struct RecordingView : IDialogView {
    std::vector<std::string>* log;
    std::function<void(CDialogHost&)> onOpen;
    std::function<void(CDialogHost&)> onBox;
    CDialogHost* host = nullptr;

    explicit RecordingView(std::vector<std::string>* into) : log(into) {}
    void OnOpen(CDialogHost& h) override {
        host = &h;
        log->push_back("open");
        if (onOpen) {
            onOpen(h);
        }
    }
    void OnChange(const CDialogHost&, const DialogChange& change) override {
        log->push_back("change " + std::to_string(static_cast<int>(change.kind)) + " " +
                       std::to_string(change.id));
    }
    void OnMessageBoxOpened(const CDialogHost&, const MessageBoxRequest& box) override {
        log->push_back("box " + box.caption);
        if (onBox) {
            onBox(*host);
        }
    }
    void OnMessageBoxClosed(const CDialogHost&, const MessageBoxRequest&, int answer) override {
        log->push_back("answer " + std::to_string(answer));
    }
    void OnRedraw(const CDialogHost&) override { log->push_back("redraw"); }
    void OnClose(const CDialogHost&, int result) noexcept override {
        log->push_back("close " + std::to_string(result));
    }
};

// A pipe whose read end collects what a view writes to the write end.
class Pipe {
public:
    Pipe() {
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) == 0) {
            read_ = fds[0];
            write_ = fds[1];
        }
    }
    ~Pipe() {
        CloseWrite();
        if (read_ >= 0) {
            close(read_);
        }
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    int ReadFd() const { return read_; }
    int WriteFd() const { return write_; }
    void CloseWrite() {
        if (write_ >= 0) {
            close(write_);
            write_ = -1;
        }
    }
    void Write(const std::string& text) {
        ssize_t written = write(write_, text.data(), text.size());
        (void)written;
    }
    // Everything written so far (the write end must be closed, or nothing more be coming).
    std::string ReadAvailable() {
        std::string text;
        char buffer[4096];
        pollfd ready{read_, POLLIN, 0};
        while (poll(&ready, 1, 0) > 0 && (ready.revents & POLLIN)) {
            ssize_t got = read(read_, buffer, sizeof(buffer));
            if (got <= 0) {
                break;
            }
            text.append(buffer, static_cast<size_t>(got));
        }
        return text;
    }

private:
    int read_ = -1;
    int write_ = -1;
};

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

} // namespace devio::app::ui::test
