#include "app/ui/HeadlessView.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "DialogTestSupport.h"

namespace devio::app::ui {
namespace {

using namespace test;
using Policy = CHeadlessView::AnswerPolicy;

TEST(HeadlessView, WritesOneLinePerVisibleChangeAndFollowsItsCommands) {
    Pipe out;
    Pipe in;
    CDialogHost host(SmallTemplate());
    host.AddView(std::make_unique<CHeadlessView>(out.WriteFd(), in.ReadFd(), Policy::Ask));
    ScriptedHandler handler;
    handler.init = [&] {
        host.SetWindowText("Tool\tv1");
        host.SetDlgItemText(kStatus, "Waiting");
        host.AddListBoxString(kNotes, "* one");
        host.ShowControl(kStart, true);
        host.SetDialogState(3);
    };
    handler.command = [&](int id) {
        if (id == kIdCancel) {
            host.EndDialog(kIdCancel);
            return;
        }
        host.ShowControl(kStart, false);
        host.SetDlgItemText(kStatus, "Line 1\r\nLine 2");
        host.SetProgressRange(kProgress, 0, 400); // hidden: nothing to see
        host.ShowControl(kProgress, true);
        for (int position : {0, 1, 2, 3, 100, 101, 400}) {
            host.SetProgressPos(kProgress, position);
        }
        host.SetDialogState(4);
        host.MessageBox("Erase?\r\n\r\nSure?", "Tool", kMbYesNo | kMbIconWarning);
        host.SetDialogState(4);
        host.ShowControl(kProgress, false);
        host.ShowControl(kClose, true);
    };
    // The answer is written once the question is open: an answer given before it opens answers
    // nothing.
    std::vector<std::string> calls;
    auto answering = std::make_unique<RecordingView>(&calls);
    answering->onBox = [&](CDialogHost&) { in.Write("  YES \nbogus\ncancel\n"); };
    host.AddView(std::move(answering));
    in.Write("start\n");
    EXPECT_EQ(host.RunModal(handler), kIdCancel);
    out.CloseWrite();

    std::vector<std::string> lines = SplitLines(out.ReadAvailable());
    // The reader thread reports a command it does not know at once, wherever that falls.
    auto error = std::find(lines.begin(), lines.end(), "error unknown command: bogus");
    ASSERT_NE(error, lines.end());
    lines.erase(error);
    EXPECT_EQ(lines, (std::vector<std::string>{
                         "title Tool\\tv1",
                         "state 3",
                         "status Waiting",
                         "item notes * one",
                         "progress hidden",
                         "button start",
                         "button none",
                         "status Line 1\\r\\nLine 2",
                         "progress 0% 0/400",
                         "progress 25% 100/400",
                         "progress 100% 400/400",
                         "state 4",
                         "messagebox Tool\tErase?\\r\\n\\r\\nSure?",
                         "answer yes",
                         "progress hidden",
                         "button close",
                         "end cancel",
                     }));
}

TEST(HeadlessView, QuestionsAreAnsweredByThePolicyOrNoWhenNobodyCanAnswer) {
    struct Case {
        Policy policy;
        bool closedInput; // else no input at all
        int answer;
    } cases[] = {
        {Policy::Yes, false, kIdYes}, {Policy::Yes, true, kIdYes}, {Policy::No, false, kIdNo},
        {Policy::Ask, false, kIdNo},  {Policy::Ask, true, kIdNo},
    };
    for (const Case& c : cases) {
        Pipe out;
        Pipe in;
        in.CloseWrite();
        CDialogHost host(SmallTemplate());
        host.AddView(std::make_unique<CHeadlessView>(out.WriteFd(),
                                                     c.closedInput ? in.ReadFd() : -1, c.policy));
        ScriptedHandler handler;
        int answer = 0;
        handler.init = [&] { host.PostMessage(sys::wm::User); };
        handler.message = [&](uint32_t, uintptr_t) {
            answer = host.MessageBox("text", "caption", kMbYesNo);
            host.EndDialog(kIdOk);
        };
        host.RunModal(handler);
        EXPECT_EQ(answer, c.answer) << static_cast<int>(c.policy) << " " << c.closedInput;
        out.CloseWrite();
        std::string text = out.ReadAvailable();
        EXPECT_NE(text.find(c.answer == kIdYes ? "\nanswer yes\n" : "\nanswer no\n"),
                  std::string::npos)
            << text;
    }
}

// Under the Yes policy the input answers nothing: neither its "no" nor its end. A line longer than
// the bound is refused and dropped whole, and the next line is read as usual.
TEST(HeadlessView, InputUnderAPolicyAnswersNothingAndLongLinesAreDropped) {
    Pipe out;
    Pipe in;
    CDialogHost host(SmallTemplate());
    host.AddView(std::make_unique<CHeadlessView>(out.WriteFd(), in.ReadFd(), Policy::Yes));
    ScriptedHandler handler;
    int answer = 0;
    handler.init = [&] {
        host.ShowControl(kStart, true);
        in.Write("no\n" + std::string(CHeadlessView::kMaxCommandLength + 1, 'x') +
                 "start\nstart\n");
        in.CloseWrite();
    };
    handler.command = [&](int id) {
        EXPECT_EQ(id, kStart);
        answer = host.MessageBox("text", "caption", kMbYesNo);
        host.EndDialog(kIdOk);
    };
    host.RunModal(handler);
    EXPECT_EQ(answer, kIdYes);
    out.CloseWrite();
    std::string text = out.ReadAvailable();
    EXPECT_EQ(text.find("\nanswer no\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nerror the question is answered by the policy: no\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\nerror line longer than 256 bytes\n"), std::string::npos) << text;
}

TEST(HeadlessView, EscapesTextsSoThatEachRecordStaysOneLine) {
    struct Case {
        const char* text;
        const char* escaped;
    } cases[] = {
        {"plain", "plain"},          {"a\\b", "a\\\\b"},      {"one\r\ntwo", "one\\r\\ntwo"},
        {"tab\there", "tab\\there"}, {"bell\a", "bell\\x07"}, {"Grüße", "Grüße"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CHeadlessView::Escape(c.text), c.escaped) << c.text;
    }
}

} // namespace
} // namespace devio::app::ui
