#include "app/ui/TerminalView.h"

#include <atomic>
#include <csignal>
#include <mutex>
#include <pty.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <thread>
#include <time.h>

#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "app/LoadMessage.h"
#include "app/TextIds.h"
#include "app/VantorDFUDlg.h"
#include "app/ui/TerminalFrame.h"
#include "app/ui/TerminalSession.h"
#include "support/WaitFor.h"

namespace devio::app::ui {
namespace {

using namespace test;

constexpr const char* kEnterScreen = "\x1b[?1049h";
constexpr const char* kLeaveScreen = "\x1b[?1049l";

// A pseudo-terminal whose master side, once StartReading has been called, is read all the time,
// so that the view never blocks on a full buffer.
class PseudoTerminal {
public:
    PseudoTerminal() {
        winsize size{24, 80, 0, 0};
        if (openpty(&master_, &slave_, nullptr, nullptr, &size) != 0) {
            ADD_FAILURE() << "openpty: " << errno;
            return;
        }
        tcgetattr(slave_, &original_);
    }
    void StartReading() {
        reader_ = std::thread([this] {
            char buffer[4096];
            for (;;) {
                pollfd ready{master_, POLLIN, 0};
                if (poll(&ready, 1, 10) > 0) {
                    ssize_t got = read(master_, buffer, sizeof(buffer));
                    if (got <= 0) {
                        return;
                    }
                    std::lock_guard lock(mutex_);
                    output_.append(buffer, static_cast<size_t>(got));
                } else if (stop_) {
                    return;
                }
            }
        });
    }
    ~PseudoTerminal() {
        stop_ = true;
        if (reader_.joinable()) {
            reader_.join();
        }
        close(slave_);
        close(master_);
    }

    int Slave() const { return slave_; }
    int Master() const { return master_; }
    std::string Output() const {
        std::lock_guard lock(mutex_);
        return output_;
    }
    bool WaitForOutput(const std::string& text) const {
        return devio::test::wait_for([&] { return Output().find(text) != std::string::npos; });
    }
    termios Settings() const {
        termios now{};
        tcgetattr(slave_, &now);
        return now;
    }
    bool IsAsAtStart() const {
        termios now = Settings();
        return now.c_lflag == original_.c_lflag && now.c_iflag == original_.c_iflag &&
               now.c_cc[VSUSP] == original_.c_cc[VSUSP];
    }

private:
    int master_ = -1;
    int slave_ = -1;
    termios original_{};
    std::thread reader_;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::string output_;
};

bool InKeyMode(const termios& settings) {
    return (settings.c_lflag & (ICANON | ECHO)) == 0;
}

TEST(TerminalView, KeysFromTerminalBytes) {
    using Keys = std::vector<uintptr_t>;
    struct Case {
        const char* bytes;
        Keys keys;
    } cases[] = {
        {"s", {'S'}},          {"C", {'C'}},           {"\r", {kKeyEnter}},
        {"\n", {kKeyEnter}},   {"\x1b", {kKeyEscape}}, {"\x1b[A", {}}, // an arrow key
        {"\x1bOP", {}},                                                // F1
        {"\x1b[1;5Cy", {'Y'}},                                         // Ctrl+Right, then y
        {"yn", {'Y', 'N'}},    {"1!\x7f", {}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CTerminalView::KeysFromTerminal(c.bytes), c.keys) << c.bytes;
    }
    EXPECT_EQ(CTerminalView::KeysFromLine(""), Keys{kKeyEnter});
    EXPECT_EQ(CTerminalView::KeysFromLine(" start"), Keys{'S'});
    EXPECT_EQ(CTerminalView::KeysFromLine("Esc"), Keys{kKeyEscape});
}

// Start, then a question, then Cancel: the scripted dialog of the tests below.
struct StartDialog {
    CDialogHost host{SmallTemplate()};
    ScriptedHandler handler;
    int answer = 0;

    StartDialog() {
        handler.init = [this] {
            host.SetWindowText("Tool");
            host.SetDlgItemText(kStatus, "Waiting");
            host.AddListBoxString(kNotes, "* one");
            host.SetDlgItemText(kStart, "Start");
            host.SetDlgItemText(kClose, "Close");
            host.ShowControl(kStart, true);
        };
        handler.command = [this](int id) {
            if (id != kStart) {
                host.EndDialog(id);
                return;
            }
            host.ShowControl(kStart, false);
            host.SetDlgItemText(kStatus, "Working");
            host.SetProgressRange(kProgress, 0, 10);
            host.SetProgressPos(kProgress, 5);
            host.ShowControl(kProgress, true);
            answer = host.MessageBox("Erase?", "Tool", kMbYesNo | kMbIconWarning);
        };
    }
};

TEST(TerminalView, WritesPlainLinesWhenTheOutputIsNotATerminal) {
    Pipe out;
    Pipe in;
    StartDialog dialog;
    dialog.host.AddView(std::make_unique<CTerminalView>(in.ReadFd(), out.WriteFd()));
    in.Write("s\ny\nesc\n");
    EXPECT_EQ(dialog.host.RunModal(dialog.handler), kIdCancel);
    EXPECT_EQ(dialog.answer, kIdYes);
    out.CloseWrite();
    std::string text = out.ReadAvailable();
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << "no drawing";
    EXPECT_EQ(SplitLines(text), (std::vector<std::string>{
                                    "Tool",
                                    "====",
                                    "> Waiting",
                                    "  * one",
                                    "[ Start ]  (S)",
                                    "> Working",
                                    "Progress: 50%",
                                    "Tool:",
                                    "Erase?",
                                    "[Y] Yes   [N] No",
                                    "Yes",
                                }));
}

TEST(TerminalView, DrawsOnATerminalAndGivesItBackHoweverTheDialogEnds) {
    for (bool throws : {false, true}) {
        PseudoTerminal terminal;
        terminal.StartReading();
        CDialogHost host(SmallTemplate());
        host.AddView(std::make_unique<CTerminalView>(terminal.Slave(), terminal.Slave()));
        ScriptedHandler handler;
        handler.init = [&] {
            host.SetWindowText("Tool");
            host.SetDlgItemText(kStatus, "Ready");
            host.SetDlgItemText(kClose, "Close");
            host.ShowControl(kClose, true);
        };
        handler.command = [&](int id) {
            if (throws) {
                throw std::runtime_error("handler failed");
            }
            host.EndDialog(id == kClose ? kIdOk : id);
        };
        bool keyMode = false;
        std::thread user([&] {
            if (terminal.WaitForOutput("[ Close ]")) {
                keyMode = InKeyMode(terminal.Settings());
                ssize_t written = write(terminal.Master(), "c", 1);
                (void)written;
            }
        });
        if (throws) {
            EXPECT_THROW(host.RunModal(handler), std::runtime_error);
        } else {
            EXPECT_EQ(host.RunModal(handler), kIdOk);
        }
        user.join();
        EXPECT_TRUE(keyMode) << "keys come one by one without echo while the dialog runs";
        EXPECT_TRUE(terminal.IsAsAtStart());
        // What the dialog said last stays on the normal screen.
        ASSERT_TRUE(terminal.WaitForOutput(std::string(kLeaveScreen) + "Tool\r\nReady\r\n"));
        std::string output = terminal.Output();
        EXPECT_LT(output.find(kEnterScreen), output.find(kLeaveScreen));
    }
}

TEST(TerminalView, DrawsEveryChangeOfThePercentage) {
    PseudoTerminal terminal;
    terminal.StartReading();
    CDialogHost host(SmallTemplate());
    host.AddView(std::make_unique<CTerminalView>(terminal.Slave(), terminal.Slave()));
    ScriptedHandler handler;
    handler.init = [&] {
        host.SetProgressRange(kProgress, 0, 200);
        host.ShowControl(kProgress, true);
        host.PostMessage(sys::wm::User);
    };
    handler.message = [&](uint32_t, uintptr_t) {
        for (int position : {1, 2, 3, 101, 199, 200}) {
            host.SetProgressPos(kProgress, position);
        }
        host.EndDialog(kIdOk);
    };
    host.RunModal(handler);
    ASSERT_TRUE(terminal.WaitForOutput(kLeaveScreen));
    std::string output = terminal.Output();
    for (const char* shown : {"  0%", "  1%", " 50%", " 99%", "100%"}) {
        EXPECT_NE(output.find(shown), std::string::npos) << shown;
    }
}

TEST(TerminalView, SignalsThatEndTheProcessGiveTheTerminalBackFirst) {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        PseudoTerminal terminal;
        Pipe ready;
        // Forked while this process has a single thread: the child may then use the library.
        pid_t child = fork();
        if (child == 0) {
            CTerminalSession session;
            if (!session.Enter(terminal.Slave(), terminal.Slave(), true)) {
                _exit(2);
            }
            ssize_t written = write(ready.WriteFd(), "r", 1);
            (void)written;
            // A timed wait rather than pause(): ThreadSanitizer hands a signal that came between
            // two of its intercepted calls to the next one, which pause() would never make.
            for (;;) {
                timespec tick{0, 10'000'000};
                nanosleep(&tick, nullptr);
            }
        }
        ASSERT_GT(child, 0);
        terminal.StartReading();
        ready.CloseWrite();
        char byte = 0;
        ASSERT_EQ(read(ready.ReadFd(), &byte, 1), 1);
        EXPECT_TRUE(InKeyMode(terminal.Settings()));
        kill(child, signal);
        int status = 0;
        bool ended =
            devio::test::wait_for([&] { return waitpid(child, &status, WNOHANG) == child; });
        if (!ended) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
        }
        ASSERT_TRUE(ended) << "signal " << signal << " did not end the process";
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << "signal " << signal;
        EXPECT_TRUE(terminal.IsAsAtStart()) << "signal " << signal;
        EXPECT_TRUE(terminal.WaitForOutput(kLeaveScreen)) << "signal " << signal;
    }
}

// The update dialog as the terminal draws it, in English.
class UpdateDialogFrame : public ::testing::Test {
protected:
    void SetUp() override {
        host.SetWindowText(LoadMessage(kTextTitle, 0x0409));
        host.SetDlgItemText(CVantorDFUDlg::IDC_INTRODUCTION,
                            LoadMessage(kTextIntroduction, 0x0409));
        host.SetDlgItemText(CVantorDFUDlg::IDC_NOTICE, LoadMessage(kTextNotFunctional, 0x0409));
        host.SetDlgItemText(CVantorDFUDlg::IDC_NOTES_HEADING,
                            LoadMessage(kTextReleaseNotesHeading, 0x0409));
        for (uint32_t note : {kTextReleaseNoteScrolling, kTextReleaseNoteBluetooth,
                              kTextReleaseNoteOnBoardSettings}) {
            host.AddListBoxString(CVantorDFUDlg::IDC_RELEASE_NOTES,
                                  "* " + LoadMessage(note, 0x0409));
        }
        host.SetDlgItemText(CVantorDFUDlg::IDC_STATUS, LoadMessage(kTextClickStart, 0x0409));
        host.SetFontWeight(CVantorDFUDlg::IDC_STATUS, kFontWeightBold);
        host.SetDlgItemText(CVantorDFUDlg::IDC_START, "Start");
        host.ShowControl(CVantorDFUDlg::IDC_START, true);
    }

    static std::vector<std::string> Rows(const CCellGrid& frame) {
        std::vector<std::string> rows;
        for (int row = 0; row < frame.Height(); ++row) {
            rows.push_back(frame.PlainRowText(row));
        }
        return rows;
    }
    static int RowWith(const std::vector<std::string>& rows, const std::string& text) {
        for (size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].find(text) != std::string::npos) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

    CDialogHost host{CVantorDFUDlg::Template()};
};

TEST_F(UpdateDialogFrame, PlacesTheControlsAsTheTemplateDoes) {
    CCellGrid frame = RenderDialogFrame(host, 80, 24);
    std::vector<std::string> rows = Rows(frame);
    ASSERT_LE(frame.Height(), 24);
    EXPECT_NE(rows[0].find("Varkon Vantor Veloxa Wireless Gaming Mouse Update Tool v8.6.28"),
              std::string::npos);
    // The picture stands left of the introduction; the notes come below both.
    int introduction = RowWith(rows, "This application");
    EXPECT_EQ(RowWith(rows, "╭─┬─╮"), introduction);
    EXPECT_GT(RowWith(rows, "Release Notes"), introduction);
    EXPECT_GT(RowWith(rows, "* Fix intermittent scrolling"), RowWith(rows, "Release Notes"));
    // The status is bold, the Start button and its keys are shown.
    int status = RowWith(rows, "Click 'Start'");
    ASSERT_GE(status, 0);
    EXPECT_NE(frame.RowText(status).find("\x1b[0;1m"), std::string::npos);
    EXPECT_GT(RowWith(rows, "[ Start ]"), status);
    EXPECT_GE(RowWith(rows, "[Enter/S] Start"), 0);
}

TEST_F(UpdateDialogFrame, ShowsTheProgressWithItsPercentage) {
    host.ShowControl(CVantorDFUDlg::IDC_START, false);
    host.SetProgressRange(CVantorDFUDlg::IDC_PROGRESS, 0, 200);
    host.SetProgressPos(CVantorDFUDlg::IDC_PROGRESS, 90);
    host.ShowControl(CVantorDFUDlg::IDC_PROGRESS, true);
    std::vector<std::string> rows = Rows(RenderDialogFrame(host, 80, 24));
    int progress = RowWith(rows, " 45%");
    ASSERT_GE(progress, 0);
    EXPECT_NE(rows[progress].find("█░"), std::string::npos);
    EXPECT_EQ(RowWith(rows, "[ Start ]"), -1);
}

TEST_F(UpdateDialogFrame, FitsALowTerminalByCuttingTheNotes) {
    CCellGrid frame = RenderDialogFrame(host, 80, 18);
    std::vector<std::string> rows = Rows(frame);
    EXPECT_LE(frame.Height(), 18);
    EXPECT_GE(RowWith(rows, "…"), 0);
    EXPECT_GE(RowWith(rows, "[ Start ]"), 0);
}

TEST_F(UpdateDialogFrame, DrawsAnOpenQuestionOverTheDialog) {
    std::vector<std::string> rows;
    ScriptedHandler handler;
    handler.init = [&] { host.PostMessage(sys::wm::User); };
    handler.message = [&](uint32_t, uintptr_t) {
        host.MessageBox(LoadMessage(kTextProfilesWillBeErased, 0x0409), host.WindowText(),
                        kMbYesNo | kMbIconWarning);
        host.EndDialog(kIdOk);
    };
    std::vector<std::string> log;
    auto view = std::make_unique<RecordingView>(&log);
    view->onBox = [&](CDialogHost& h) {
        rows = Rows(RenderDialogFrame(h, 80, 24));
        h.AnswerMessageBox(kIdNo);
    };
    host.AddView(std::move(view));
    host.RunModal(handler);

    int caption = RowWith(rows, "┌─ Varkon Vantor");
    ASSERT_GE(caption, 0);
    EXPECT_GT(RowWith(rows, "⚠  The firmware upgrade will erase"), caption);
    EXPECT_GT(RowWith(rows, "Would you like to continue?"), caption);
    EXPECT_GT(RowWith(rows, "[ Yes ]   [ No ]"), caption);
    EXPECT_GE(RowWith(rows, "[Y] Yes   [N] No"), 0);
}

} // namespace
} // namespace devio::app::ui
