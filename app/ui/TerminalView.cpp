#include "app/ui/TerminalView.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "app/AsciiCase.h"
#include "app/ui/DialogHost.h"
#include "app/ui/TerminalFrame.h"
#include "app/ui/TextCells.h"
#include "app/ui/WriteAll.h"

namespace devio::app::ui {

namespace {

constexpr int kDefaultColumns = 80;
constexpr int kDefaultRows = 24;

// Line breaks as the terminal shows them.
std::string Lines(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') {
                ++i;
            }
        } else {
            out += text[i];
        }
    }
    return out;
}

uintptr_t LetterKey(char c) {
    char upper = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return upper >= 'A' && upper <= 'Z' ? static_cast<uintptr_t>(upper) : 0;
}

} // namespace

CTerminalView::CTerminalView(int inputFd, int outputFd)
    : m_inputFd(inputFd), m_outputFd(outputFd), m_drawing(isatty(outputFd) == 1),
      m_keyTerminal(isatty(inputFd) == 1) {}

CTerminalView::~CTerminalView() {
    m_reader.Stop();
    m_session.Leave();
}

std::vector<uintptr_t> CTerminalView::KeysFromTerminal(std::string_view bytes) {
    std::vector<uintptr_t> keys;
    for (size_t i = 0; i < bytes.size(); ++i) {
        char c = bytes[i];
        if (c == '\r' || c == '\n') {
            keys.push_back(kKeyEnter);
        } else if (c == '\x1b') {
            bool sequence = i + 1 < bytes.size() && (bytes[i + 1] == '[' || bytes[i + 1] == 'O');
            if (!sequence) {
                keys.push_back(kKeyEscape);
                continue;
            }
            // CSI or SS3: parameter and intermediate bytes up to a final byte.
            i += 2;
            while (i < bytes.size() && (bytes[i] < 0x40 || bytes[i] > 0x7E)) {
                ++i;
            }
        } else if (uintptr_t key = LetterKey(c); key != 0) {
            keys.push_back(key);
        }
    }
    return keys;
}

std::vector<uintptr_t> CTerminalView::KeysFromLine(std::string_view line) {
    std::string_view key = TrimBlanks(line);
    if (key.empty()) {
        return {kKeyEnter};
    }
    if (EqualsIgnoringAsciiCase(key, std::string_view("esc")) ||
        EqualsIgnoringAsciiCase(key, std::string_view("escape")) || key[0] == '\x1b') {
        return {kKeyEscape};
    }
    uintptr_t letter = LetterKey(key[0]);
    return letter != 0 ? std::vector<uintptr_t>{letter} : std::vector<uintptr_t>{};
}

void CTerminalView::OnOpen(CDialogHost& host) {
    m_host = &host;
    if ((m_drawing || m_keyTerminal) && !m_session.Enter(m_inputFd, m_outputFd, m_drawing)) {
        m_drawing = false; // without a way back to the normal screen, write lines
    }
    bool reading = m_reader.Start(
        m_inputFd, {[this](std::string_view bytes) { OnInput(bytes); }, [this] { OnInputEnd(); },
                    [this](char note) {
                        if (note == CTerminalSession::kResizeNotification) {
                            m_host->RequestRedraw();
                        }
                    }});
    if (reading) {
        m_session.SetResizeNotifyFd(m_reader.NotifyFd());
    } else {
        m_inputEnded = true;
    }
    if (m_drawing) {
        Draw(host, true);
        return;
    }
    for (const DialogLine& line : DescribeDialog(host)) {
        if (m_filter.IsNew(line)) {
            WritePlain(host, line);
        }
    }
}

void CTerminalView::OnChange(const CDialogHost& host, const DialogChange& change) {
    if (m_drawing) {
        // The bar is drawn from the whole percent alone, and the update moves it once for
        // every packet: most moves change nothing on the screen.
        if (change.kind == ChangeKind::Progress) {
            int percent = host.GetControl(change.id)->progress.Percent();
            auto [drawn, first] = m_drawnPercent.try_emplace(change.id, percent);
            if (!first && drawn->second == percent) {
                return;
            }
            drawn->second = percent;
        }
        Draw(host, false);
        return;
    }
    for (const DialogLine& line : DescribeChange(host, change)) {
        if (m_filter.IsNew(line)) {
            WritePlain(host, line);
        }
    }
}

void CTerminalView::OnMessageBoxOpened(const CDialogHost& host, const MessageBoxRequest& box) {
    if (m_drawing) {
        Draw(host, false);
    } else {
        Write(Lines(box.caption) + ":\n" + Lines(box.text) + "\n[Y] Yes   [N] No\n");
    }
    if (m_inputEnded) {
        m_host->AnswerMessageBox(kIdNo); // nobody is left to answer
    }
}

void CTerminalView::OnMessageBoxClosed(const CDialogHost& host, const MessageBoxRequest&,
                                       int answer) {
    if (m_drawing) {
        Draw(host, false);
    } else {
        Write(answer == kIdYes ? "Yes\n" : "No\n");
    }
}

void CTerminalView::OnRedraw(const CDialogHost& host) {
    if (m_drawing) {
        Draw(host, true);
    }
}

void CTerminalView::OnClose(const CDialogHost& host, int) noexcept {
    m_reader.Stop();
    bool drew = m_drawing && m_session.Active();
    m_session.Leave();
    if (!drew) {
        return;
    }
    try {
        // What the dialog showed last stays readable once the screen is gone.
        std::string summary = host.WindowText() + "\n";
        if (const Control* status = host.GetControl(kStatusControlName);
            status != nullptr && !status->text.empty()) {
            summary += Lines(status->text) + "\n";
        }
        Write(summary);
    } catch (...) {
        // Out of memory while the dialog ends: the summary is lost, nothing else.
    }
}

void CTerminalView::Draw(const CDialogHost& host, bool everything) {
    int columns = kDefaultColumns;
    int rows = kDefaultRows;
    WindowSize(columns, rows);
    CCellGrid frame = RenderDialogFrame(host, columns, rows);
    std::vector<std::string> texts;
    for (int row = 0; row < frame.Height() && row < rows; ++row) {
        texts.push_back(frame.RowText(row));
    }
    std::string out;
    if (everything) {
        out = "\x1b[H\x1b[2J";
        m_shown.clear();
    }
    for (size_t row = 0; row < texts.size(); ++row) {
        if (row < m_shown.size() && m_shown[row] == texts[row]) {
            continue;
        }
        out += "\x1b[" + std::to_string(row + 1) + ";1H" + texts[row] + "\x1b[K";
    }
    if (texts.size() < m_shown.size()) {
        out += "\x1b[" + std::to_string(texts.size() + 1) + ";1H\x1b[J";
    }
    m_shown = std::move(texts);
    Write(out);
}

void CTerminalView::WritePlain(const CDialogHost& host, const DialogLine& line) {
    switch (line.kind) {
    case LineKind::Title:
        Write(Lines(line.text) + "\n" +
              std::string(static_cast<size_t>(TextWidth(line.text)), '=') + "\n");
        break;
    case LineKind::Text:
        Write(Lines(line.text) + "\n");
        break;
    case LineKind::Status:
        if (!line.text.empty()) {
            Write("> " + Lines(line.text) + "\n");
        }
        break;
    case LineKind::Item:
        Write("  " + Lines(line.text) + "\n");
        break;
    case LineKind::Progress:
        if (line.visible) {
            Write("Progress: " + std::to_string(line.percent) + "%\n");
        }
        break;
    case LineKind::Buttons:
        for (const Control& control : host.Controls()) {
            if (control.layout.kind == ControlKind::PushButton && control.visible) {
                std::string key = control.layout.key != 0 ? std::string(1, control.layout.key)
                                                          : std::string("Enter");
                Write("[ " + control.text + " ]  (" + key + ")\n");
            }
        }
        break;
    case LineKind::State:
        break;
    }
}

void CTerminalView::Write(std::string_view text) {
    // A terminal that is gone loses what is drawn, nothing else.
    static_cast<void>(WriteAll(m_outputFd, text));
}

void CTerminalView::WindowSize(int& columns, int& rows) const {
    winsize size{};
    if (ioctl(m_outputFd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        columns = size.ws_col;
        rows = size.ws_row;
    }
}

void CTerminalView::OnInput(std::string_view bytes) {
    if (m_keyTerminal) {
        for (uintptr_t key : KeysFromTerminal(bytes)) {
            m_host->PressKey(key);
        }
        return;
    }
    m_pending.append(bytes);
    size_t end;
    while ((end = m_pending.find('\n')) != std::string::npos) {
        for (uintptr_t key : KeysFromLine(std::string_view(m_pending).substr(0, end))) {
            m_host->PressKey(key);
        }
        m_pending.erase(0, end + 1);
    }
}

void CTerminalView::OnInputEnd() {
    m_inputEnded = true;
    m_host->AnswerMessageBox(kIdNo);
}

} // namespace devio::app::ui
