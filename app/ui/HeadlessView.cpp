#include "app/ui/HeadlessView.h"

#include <cstdio>

#include "app/AsciiCase.h"
#include "app/ui/DialogHost.h"
#include "app/ui/TextCells.h"
#include "app/ui/WriteAll.h"

namespace devio::app::ui {

namespace {

bool Is(std::string_view command, std::string_view name) {
    return EqualsIgnoringAsciiCase(command, name);
}

std::string ResultText(int result) {
    if (result == kIdOk) {
        return "ok";
    }
    if (result == kIdCancel) {
        return "cancel";
    }
    return std::to_string(result);
}

} // namespace

CHeadlessView::CHeadlessView(int outputFd, int inputFd, AnswerPolicy policy)
    : m_outputFd(outputFd), m_inputFd(inputFd), m_policy(policy) {}

CHeadlessView::~CHeadlessView() {
    m_reader.Stop();
}

std::string CHeadlessView::Escape(std::string_view text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\n':
            escaped += "\\n";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\t':
            escaped += "\\t";
            break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
                char hex[8];
                std::snprintf(hex, sizeof(hex), "\\x%02X", static_cast<unsigned char>(c));
                escaped += hex;
            } else {
                escaped += c;
            }
        }
    }
    return escaped;
}

std::string CHeadlessView::Format(const DialogLine& line) {
    switch (line.kind) {
    case LineKind::Title:
        return "title " + Escape(line.text);
    case LineKind::Text:
        return "text " + line.name + " " + Escape(line.text);
    case LineKind::Status:
        return "status " + Escape(line.text);
    case LineKind::Item:
        return "item " + line.name + " " + Escape(line.text);
    case LineKind::Progress:
        if (!line.visible) {
            return "progress hidden";
        }
        return "progress " + std::to_string(line.percent) + "% " + std::to_string(line.position) +
               "/" + std::to_string(line.upper);
    case LineKind::Buttons:
        return "button " + line.text;
    case LineKind::State:
        return "state " + std::to_string(line.number);
    }
    return {};
}

void CHeadlessView::OnOpen(CDialogHost& host) {
    m_host = &host;
    for (const ControlTemplate& control : host.Template().controls) {
        if (control.kind == ControlKind::PushButton && !control.name.empty()) {
            m_buttons[control.name] = control.id;
        }
    }
    for (const DialogLine& line : DescribeDialog(host)) {
        WriteIfNew(line);
    }
    if (m_inputFd < 0) {
        m_inputEnded = true;
        return;
    }
    bool started = m_reader.Start(m_inputFd, {[this](std::string_view bytes) { OnInput(bytes); },
                                              [this] { OnInputEnd(); }, nullptr});
    if (!started) {
        m_inputEnded = true;
    }
}

void CHeadlessView::OnChange(const CDialogHost& host, const DialogChange& change) {
    for (const DialogLine& line : DescribeChange(host, change)) {
        WriteIfNew(line);
    }
}

void CHeadlessView::OnMessageBoxOpened(const CDialogHost&, const MessageBoxRequest& box) {
    WriteLine("messagebox " + Escape(box.caption) + "\t" + Escape(box.text));
    if (m_policy == AnswerPolicy::Yes) {
        m_host->AnswerMessageBox(kIdYes);
    } else if (m_policy == AnswerPolicy::No || m_inputEnded) {
        m_host->AnswerMessageBox(kIdNo);
    }
}

void CHeadlessView::OnMessageBoxClosed(const CDialogHost&, const MessageBoxRequest&, int answer) {
    WriteLine(answer == kIdYes ? "answer yes" : "answer no");
}

void CHeadlessView::OnRedraw(const CDialogHost&) {}

void CHeadlessView::OnClose(const CDialogHost&, int result) noexcept {
    m_reader.Stop();
    try {
        WriteLine("end " + ResultText(result));
    } catch (...) {
        // Out of memory while the dialog ends: the record is lost, nothing else.
    }
}

void CHeadlessView::WriteIfNew(const DialogLine& line) {
    if (m_filter.IsNew(line)) {
        WriteLine(Format(line));
    }
}

void CHeadlessView::WriteLine(const std::string& line) {
    std::lock_guard lock(m_outputMutex);
    if (m_outputBroken) {
        return;
    }
    // Nobody reading any more (a closed pipe) leaves the dialog going on without its lines.
    m_outputBroken = !WriteAll(m_outputFd, line + "\n");
}

void CHeadlessView::OnInput(std::string_view bytes) {
    while (!bytes.empty()) {
        size_t end = bytes.find('\n');
        std::string_view part = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!m_droppingLine) {
            m_pending.append(part);
            if (m_pending.size() > kMaxCommandLength) {
                WriteLine("error line longer than " + std::to_string(kMaxCommandLength) + " bytes");
                m_pending.clear();
                m_droppingLine = true;
            }
        }
        if (end == std::string_view::npos) {
            return;
        }
        // The line has ended.
        if (!m_droppingLine) {
            std::string command = std::move(m_pending);
            m_pending.clear();
            RunCommand(TrimBlanks(command));
        }
        m_droppingLine = false;
    }
}

void CHeadlessView::OnInputEnd() {
    if (!TrimBlanks(m_pending).empty()) {
        RunCommand(TrimBlanks(m_pending));
    }
    m_pending.clear();
    m_inputEnded = true;
    // With Ask, a question that is open now is answered No; one that opens later sees the flag.
    // Under a policy the input answers nothing, not even by ending.
    if (m_policy == AnswerPolicy::Ask) {
        m_host->AnswerMessageBox(kIdNo);
    }
}

void CHeadlessView::RunCommand(std::string_view command) {
    if (command.empty()) {
        return;
    }
    if (Is(command, "yes") || Is(command, "no")) {
        if (m_policy != AnswerPolicy::Ask) {
            WriteLine("error the question is answered by the policy: " + Escape(command));
            return;
        }
        m_host->AnswerMessageBox(Is(command, "yes") ? kIdYes : kIdNo);
        return;
    }
    if (Is(command, "cancel")) {
        m_host->PressButton(kIdCancel);
        return;
    }
    for (const auto& [name, id] : m_buttons) {
        if (Is(command, name)) {
            m_host->PressButton(id);
            return;
        }
    }
    WriteLine("error unknown command: " + Escape(command));
}

} // namespace devio::app::ui
