#include "app/ui/DialogHost.h"

#include <stdexcept>
#include <thread>

#include <gtest/gtest.h>

#include "DialogTestSupport.h"
#include "Source/System/Clock.h"

namespace devio::app::ui {
namespace {

using namespace test;

constexpr uint32_t kMsgA = sys::wm::User + 1;
constexpr uint32_t kMsgB = sys::wm::User + 2;

class DialogHost : public ::testing::Test {
protected:
    void SetUp() override { sys::Clock::set_time_scale(0.01); }
    void TearDown() override { sys::Clock::set_time_scale(1); }

    // Runs the dialog with a recording view; returns the result.
    int Run() {
        auto view = std::make_unique<RecordingView>(&log);
        recorder = view.get();
        host.AddView(std::move(view));
        return host.RunModal(handler);
    }

    CDialogHost host{SmallTemplate()};
    ScriptedHandler handler;
    std::vector<std::string> log;
    RecordingView* recorder = nullptr;
};

TEST_F(DialogHost, TimersExpireByIdUntilKilled) {
    // The run-loop pump's pattern, a zero-delay timer re-armed from its own expiry, beside two
    // longer one-shot timers with full 32-bit ids; a timer due earlier always expires first.
    std::vector<uintptr_t> expiries;
    int pumps = 0;
    handler.init = [&] {
        host.SetTimer(0xDEADBEEF, 5000);
        host.SetTimer(0xABBABABE, 3000);
        host.SetTimer(0xABCDABCD, 0);
    };
    handler.timer = [&](uintptr_t id) {
        host.KillTimer(id);
        if (id == 0xABCDABCD && ++pumps < 3) {
            host.SetTimer(0xABCDABCD, 0);
        }
        if (id != 0xABCDABCD) {
            expiries.push_back(id);
        }
        if (pumps == 3 && expiries.size() == 2) {
            host.EndDialog(kIdOk);
        }
    };
    EXPECT_EQ(Run(), kIdOk);
    EXPECT_EQ(pumps, 3);
    EXPECT_EQ(expiries, (std::vector<uintptr_t>{0xABBABABE, 0xDEADBEEF}));
    EXPECT_FALSE(host.SetTimer(1, 0)) << "no timers once the dialog has ended";
}

TEST_F(DialogHost, MessagesPostedFromAnotherThreadArriveInOrderOnTheDialogThread) {
    const std::thread::id dialogThread = std::this_thread::get_id();
    std::thread poster;
    std::vector<uintptr_t> states;
    bool allOnDialogThread = true;
    handler.init = [&] {
        poster = std::thread([this] {
            for (uintptr_t state = 0; state < 100; ++state) {
                host.PostMessage(kMsgA, state);
            }
        });
    };
    handler.message = [&](uint32_t message, uintptr_t state) {
        allOnDialogThread = allOnDialogThread && std::this_thread::get_id() == dialogThread;
        if (message == kMsgA) {
            states.push_back(state);
        }
        if (states.size() == 100) {
            host.EndDialog(kIdOk);
        }
    };
    Run();
    poster.join();
    ASSERT_EQ(states.size(), 100u);
    for (uintptr_t i = 0; i < states.size(); ++i) {
        EXPECT_EQ(states[i], i);
    }
    EXPECT_TRUE(allOnDialogThread);
}

TEST_F(DialogHost, MessageBoxRunsANestedLoopThatKeepsHandlingMessages) {
    struct Case {
        uintptr_t key;
        int answer;
    } cases[] = {{'Y', kIdYes}, {'N', kIdNo}};
    for (const Case& c : cases) {
        CDialogHost box(SmallTemplate());
        ScriptedHandler behaviour;
        std::vector<std::string> seen;
        auto view = std::make_unique<RecordingView>(&seen);
        // While the question is open, a posted message and a timer are handled and button
        // presses are not (the dialog is disabled); then the key answers.
        view->onBox = [&](CDialogHost& h) {
            h.PostMessage(kMsgB);
            h.PressButton(kStart);
            h.PressKey('S');
            h.SetTimer(7, 0);
        };
        box.AddView(std::move(view));
        int answer = 0;
        behaviour.init = [&] {
            box.ShowControl(kStart, true);
            box.PostMessage(kMsgA);
        };
        behaviour.message = [&](uint32_t message, uintptr_t) {
            if (message == kMsgA) {
                answer = box.MessageBox("Question?", "Caption", kMbYesNo | kMbIconWarning);
                box.EndDialog(kIdOk);
            } else {
                seen.push_back(box.OpenMessageBox() ? "B inside" : "B outside");
                EXPECT_EQ(box.MessageBox("text", "second", kMbYesNo), 0) << "one at a time";
            }
        };
        behaviour.timer = [&](uintptr_t id) {
            box.KillTimer(id);
            seen.push_back(box.OpenMessageBox() ? "timer inside" : "timer outside");
            box.PressKey(c.key);
        };
        box.RunModal(behaviour);
        EXPECT_EQ(answer, c.answer);
        EXPECT_TRUE(behaviour.commands.empty());
        EXPECT_EQ(seen,
                  (std::vector<std::string>{"open", "box Caption", "B inside", "timer inside",
                                            "answer " + std::to_string(c.answer), "close 1"}));
    }
}

// An answer names the box that was open when it was given: one given while none was open, or one
// that arrives after its box has closed, answers nothing later.
TEST_F(DialogHost, AnAnswerGivenWhileNoBoxIsOpenAnswersNoLaterBox) {
    std::vector<int> answers;
    handler.init = [&] {
        host.AnswerMessageBox(kIdNo); // no box is open: this must not answer the ones below
        host.PostMessage(kMsgA);
    };
    handler.message = [&](uint32_t, uintptr_t) {
        answers.push_back(host.MessageBox("first", "caption", kMbYesNo));
        answers.push_back(host.MessageBox("second", "caption", kMbYesNo));
        host.EndDialog(kIdOk);
    };
    auto view = std::make_unique<RecordingView>(&log);
    // Each box is answered Yes, and then No once more, which comes too late for its box.
    view->onBox = [](CDialogHost& h) {
        h.AnswerMessageBox(kIdYes);
        h.AnswerMessageBox(kIdNo);
    };
    host.AddView(std::move(view));
    host.RunModal(handler);
    EXPECT_EQ(answers, (std::vector<int>{kIdYes, kIdYes}));
}

TEST_F(DialogHost, MessageBoxOffersYesAndNoOnly) {
    handler.init = [&] {
        EXPECT_EQ(host.MessageBox("text", "caption", 0x01 /* OK and Cancel */), 0);
        host.EndDialog(kIdOk);
    };
    Run();
}

TEST_F(DialogHost, DispatchWaitingMessagesRunsEverythingWaitingIncludingWhatItAdds) {
    std::vector<std::string> handled;
    handler.init = [&] {
        host.PostMessage(kMsgA, 1);
        host.PostMessage(kMsgA, 2);
        host.SetTimer(9, 0);
        host.DispatchWaitingMessages();
        handled.push_back("returned");
        host.EndDialog(kIdOk);
    };
    handler.message = [&](uint32_t, uintptr_t n) {
        handled.push_back("message " + std::to_string(n));
        if (n == 2) {
            host.PostMessage(kMsgA, 3);
        }
    };
    handler.timer = [&](uintptr_t id) {
        host.KillTimer(id);
        handled.push_back("timer");
    };
    Run();
    EXPECT_EQ(handled, (std::vector<std::string>{"message 1", "message 2", "message 3", "timer",
                                                 "returned"}));
}

TEST_F(DialogHost, KeysAndPressesReachTheVisibleButtonOnly) {
    constexpr int kNone = -1;
    struct Case {
        int shown; // the button shown, or kNone
        uintptr_t key;
        int command; // the command that results, or kNone
    } cases[] = {
        {kStart, kKeyEnter, kStart}, {kStart, 'S', kStart},          {kStart, 'C', kNone},
        {kClose, kKeyEnter, kClose}, {kClose, 'C', kClose},          {kClose, 'S', kNone},
        {kNone, kKeyEnter, kNone},   {kNone, kKeyEscape, kIdCancel}, {kStart, 'Y', kNone},
    };
    for (const Case& c : cases) {
        CDialogHost dialog(SmallTemplate());
        ScriptedHandler behaviour;
        behaviour.init = [&] {
            if (c.shown != kNone) {
                dialog.ShowControl(c.shown, true);
            }
            dialog.PressKey(c.key);
            dialog.PostMessage(kMsgA);
        };
        behaviour.message = [&](uint32_t, uintptr_t) { dialog.EndDialog(kIdOk); };
        dialog.RunModal(behaviour);
        std::vector<int> expected;
        if (c.command != kNone) {
            expected.push_back(c.command);
        }
        EXPECT_EQ(behaviour.commands, expected) << "shown " << c.shown << " key " << c.key;
    }
}

TEST_F(DialogHost, PressingAButtonNeedsItShownAndCancelAndCloseAlwaysArrive) {
    handler.init = [&] {
        host.PressButton(kStart); // hidden
        host.ShowControl(kClose, true);
        host.PressButton(kClose);
        host.PressButton(kIdCancel);
        host.PostMessage(sys::wm::Close);
        host.PostMessage(kMsgA);
    };
    handler.message = [&](uint32_t, uintptr_t) { host.EndDialog(kIdOk); };
    Run();
    EXPECT_EQ(handler.commands, (std::vector<int>{kClose, kIdCancel, kIdCancel}));
}

TEST_F(DialogHost, ControlsKeepTheirRules) {
    // Buttons in one place are never shown together.
    host.ShowControl(kStart, true);
    host.ShowControl(kClose, true);
    EXPECT_FALSE(host.IsControlVisible(kStart));
    EXPECT_TRUE(host.IsControlVisible(kClose));
    // The progress position stays within the range.
    host.SetProgressRange(kProgress, 0, 200);
    EXPECT_EQ(host.SetProgressPos(kProgress, 250), 0);
    EXPECT_EQ(host.GetProgressPos(kProgress), 200);
    EXPECT_EQ(host.GetControl(kProgress)->progress.Percent(), 100);
    host.SetProgressRange(kProgress, 0, 100);
    EXPECT_EQ(host.GetProgressPos(kProgress), 100);
    // Operations meant for another kind of control fail.
    EXPECT_FALSE(host.AddListBoxString(kStatus, "x"));
    EXPECT_EQ(host.GetProgressPos(kNotes), -1);
    EXPECT_FALSE(host.SetDlgItemText(999, "x"));
}

TEST_F(DialogHost, ViewsSeeTheDialogOnceInitialisedAndOnlyWhatChanges) {
    handler.init = [&] {
        host.SetDlgItemText(kStatus, "before"); // not shown yet: no change reported
        host.PostMessage(kMsgA);
    };
    handler.message = [&, first = true](uint32_t, uintptr_t) mutable {
        if (!first) {
            host.EndDialog(kIdCancel);
            return;
        }
        first = false;
        host.SetDlgItemText(kStatus, "after");
        host.SetDlgItemText(kStatus, "after");
        host.ShowControl(kStart, true);
        host.ShowControl(kClose, true);
        host.RequestRedraw();
        host.PostMessage(kMsgB);
    };
    EXPECT_EQ(Run(), kIdCancel);
    auto change = [](ChangeKind kind, int id) {
        return "change " + std::to_string(static_cast<int>(kind)) + " " + std::to_string(id);
    };
    EXPECT_EQ(log, (std::vector<std::string>{"open", change(ChangeKind::Text, kStatus),
                                             change(ChangeKind::Visibility, kStart),
                                             change(ChangeKind::Visibility, kStart),
                                             change(ChangeKind::Visibility, kClose), "redraw",
                                             "close 2"}));
}

TEST_F(DialogHost, AnExceptionOutOfAHandlerStillClosesTheViewsAndTheWindow) {
    handler.init = [&] { host.PostMessage(kMsgA); };
    handler.message = [&](uint32_t, uintptr_t) { throw std::runtime_error("handler failed"); };
    EXPECT_THROW(Run(), std::runtime_error);
    EXPECT_EQ(log, (std::vector<std::string>{"open", "close 2"}));
    EXPECT_FALSE(host.Running());
    EXPECT_FALSE(host.PostMessage(kMsgA));
}

} // namespace
} // namespace devio::app::ui
