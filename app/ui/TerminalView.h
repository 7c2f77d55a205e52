// The terminal view: draws the dialog in the terminal (title, texts, release notes, status,
// progress bar with percentage, the one visible button, key hints, the message box) and redraws
// the rows that change; keys press the buttons: Enter or S for Start, C for Close, Escape for the
// close box, Y or N in the message box.
//
// When the output is not a terminal it writes plain lines instead, one per visible change, for a
// person to read (the headless view writes the lines meant for scripts). When the input is not a
// terminal, each line of it is one key: its first character, or Enter for an empty line.
//
// The terminal is given back as it was on every way out (see CTerminalSession); after the dialog
// has ended the title and the last status text are written to the normal screen.
#pragma once

#include <atomic>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "app/ui/DialogLines.h"
#include "app/ui/IDialogView.h"
#include "app/ui/InputReader.h"
#include "app/ui/TerminalSession.h"

namespace devio::app::ui {

class CTerminalView : public IDialogView {
public:
    // Reads keys from `inputFd` and draws on `outputFd`; neither is taken over.
    CTerminalView(int inputFd, int outputFd);
    ~CTerminalView() override;

    void OnOpen(CDialogHost& host) override;
    void OnChange(const CDialogHost& host, const DialogChange& change) override;
    void OnMessageBoxOpened(const CDialogHost& host, const MessageBoxRequest& box) override;
    void OnMessageBoxClosed(const CDialogHost& host, const MessageBoxRequest& box,
                            int answer) override;
    void OnRedraw(const CDialogHost& host) override;
    void OnClose(const CDialogHost& host, int result) noexcept override;

    // The keys in `bytes` read from a terminal in key mode (codes for CDialogHost::PressKey).
    // A lone Escape is the Escape key; escape sequences (arrow keys and the like) are skipped.
    static std::vector<uintptr_t> KeysFromTerminal(std::string_view bytes);
    // The key of one line of input that is not a terminal.
    static std::vector<uintptr_t> KeysFromLine(std::string_view line);

private:
    void Draw(const CDialogHost& host, bool everything);
    void WritePlain(const CDialogHost& host, const DialogLine& line);
    void Write(std::string_view text);
    void WindowSize(int& columns, int& rows) const;
    // Reader thread.
    void OnInput(std::string_view bytes);
    void OnInputEnd();

    const int m_inputFd;
    const int m_outputFd;
    bool m_drawing;             // the output is a terminal we may draw on
    const bool m_keyTerminal;   // the input is a terminal
    CTerminalSession m_session; // dialog's thread
    CInputReader m_reader;
    std::vector<std::string> m_shown;  // the rows on the screen now
    std::map<int, int> m_drawnPercent; // per progress bar, the percent last drawn
    CDialogLineFilter m_filter;        // plain lines

    // Set in OnOpen before the reader starts; afterwards used by the reader thread only.
    CDialogHost* m_host = nullptr;
    std::string m_pending; // reader thread: a line of input not ended yet
    std::atomic<bool> m_inputEnded{false};
};

} // namespace devio::app::ui
