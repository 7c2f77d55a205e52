// The headless view: draws nothing, writes one line per visible change of the dialog to its output
// so that scripts and tests can follow it, and reads commands from its input so that they can drive
// it. Used when the output is not a terminal, and by tests.
//
// Output, one record per line (UTF-8, ended by "\n", written at once). Texts are escaped so that a
// record stays on one line: a backslash as \\, a line feed as \n, a carriage return as \r, a tab as
// \t, any other control character as \xHH. A record is written only when what it shows differs
// from the last record of the same kind (and control); when the dialog opens, every visible aspect
// is written once, in this order: title, state, then the controls from top to bottom.
//
//   title <text>                 the window title
//   state <number>               the update's state (the controller's state number)
//   text <control> <text>        a static text other than the status, e.g. "text introduction ..."
//   status <text>                the status text
//   item <control> <text>        an entry added to a list, e.g. "item notes * Fix ..."
//   progress hidden              the progress bar is hidden
//   progress <p>% <pos>/<upper>  the progress bar is shown at p percent (whole percents; written
//                                when p changes, so <pos> is the position at that moment)
//   button <name>|none           the button shown in the button place: "start", "close" or "none"
//   messagebox <caption>\t<text> a Yes/No question waits for its answer (a tab between the two)
//   answer yes|no                the question was answered
//   end ok|cancel|<number>       the dialog ended with this result
//   error <text>                 a command could not be understood
//
// Input, one command per line (letter case and surrounding blanks ignored):
//   start, close                 press that button; ignored unless it is shown
//   cancel                       the close box (Escape); the dialog decides whether it closes
//   yes, no                      answer the open question; ignored when none is open
// A line longer than kMaxCommandLength bytes is refused with an "error" record and dropped.
//
// Answers: with the policy Yes or No every question is answered so at once, and the input answers
// nothing (its "yes" and "no" get an "error" record); with Ask the input answers it, and when there
// is no input or it has ended, the answer is No (nothing is erased without a Yes).
#pragma once

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "app/ui/DialogLines.h"
#include "app/ui/IDialogView.h"
#include "app/ui/InputReader.h"

namespace devio::app::ui {

class CHeadlessView : public IDialogView {
public:
    enum class AnswerPolicy { Ask, Yes, No };
    static constexpr size_t kMaxCommandLength = 256;

    // Writes to `outputFd` and reads commands from `inputFd` (-1: no input); neither is taken over.
    CHeadlessView(int outputFd, int inputFd, AnswerPolicy policy);
    ~CHeadlessView() override;

    void OnOpen(CDialogHost& host) override;
    void OnChange(const CDialogHost& host, const DialogChange& change) override;
    void OnMessageBoxOpened(const CDialogHost& host, const MessageBoxRequest& box) override;
    void OnMessageBoxClosed(const CDialogHost& host, const MessageBoxRequest& box,
                            int answer) override;
    void OnRedraw(const CDialogHost& host) override;
    void OnClose(const CDialogHost& host, int result) noexcept override;

    // The record of `line` as written to the output, without the line end.
    static std::string Format(const DialogLine& line);
    // `text` escaped as in the records.
    static std::string Escape(std::string_view text);

private:
    void WriteIfNew(const DialogLine& line);
    void WriteLine(const std::string& line);
    // Reader thread.
    void OnInput(std::string_view bytes);
    void OnInputEnd();
    void RunCommand(std::string_view command);

    const int m_outputFd;
    const int m_inputFd;
    const AnswerPolicy m_policy;
    CDialogLineFilter m_filter; // dialog's thread

    // Set in OnOpen before the reader starts, then read by the reader thread only.
    CDialogHost* m_host = nullptr;
    std::map<std::string, int> m_buttons; // name -> control id
    std::string m_pending;                // reader thread: a command line not ended yet
    bool m_droppingLine = false;          // reader thread: the rest of a line that was too long

    CInputReader m_reader;
    std::atomic<bool> m_inputEnded{false};
    std::mutex m_outputMutex; // lines come from the dialog's thread and the reader thread
    bool m_outputBroken = false;
};

} // namespace devio::app::ui
