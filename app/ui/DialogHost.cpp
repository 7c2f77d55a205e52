#include "app/ui/DialogHost.h"

#include <algorithm>
#include <cerrno>

#include "Source/System/SystemError.h"

namespace devio::app::ui {

namespace {

using sys::MessageWindows;

constexpr uint32_t kHostPressButton = kHostMessageFirst + 1;
constexpr uint32_t kHostAnswer = kHostMessageFirst + 2;
constexpr uint32_t kHostRedraw = kHostMessageFirst + 3;

bool SamePlace(const ControlTemplate& a, const ControlTemplate& b) {
    return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

} // namespace

// One run of the dialog: the window lives as long as the scope, and however the run ends (a
// result, an exception out of a handler) the views are closed and the window destroyed.
class CDialogHost::RunScope {
public:
    RunScope(CDialogHost& host, IDialogHandler& handler) : m_host(host) {
        m_host.m_handler = &handler;
        m_host.m_ended = false;
        m_host.m_result = 0;
        m_host.m_shown = false;
        m_host.m_loop = &m_host.m_threadLoop;
        for (const auto& view : m_host.m_views) {
            if (IMessageLoop* loop = view->MessageLoop()) {
                m_host.m_loop = loop;
                break;
            }
        }
        sys::WindowId window = MessageWindows::create(
            [&host](sys::WindowId id, uint32_t message, uintptr_t wparam, intptr_t lparam) {
                return host.Procedure(id, message, wparam, lparam);
            });
        m_host.m_window.store(window);
    }
    ~RunScope() {
        m_host.Close(m_host.m_ended ? m_host.m_result : kIdCancel);
        sys::WindowId window = m_host.m_window.exchange(0);
        if (window != 0) {
            MessageWindows::destroy(window);
        }
        m_host.m_handler = nullptr;
        m_host.m_loop = nullptr;
        m_host.m_box.reset();
    }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;

private:
    CDialogHost& m_host;
};

CDialogHost::CDialogHost(DialogTemplate dialogTemplate) : m_template(std::move(dialogTemplate)) {
    m_controls.reserve(m_template.controls.size());
    for (const ControlTemplate& layout : m_template.controls) {
        Control control;
        control.layout = layout;
        control.visible = layout.visible;
        m_controls.push_back(std::move(control));
    }
}

CDialogHost::~CDialogHost() = default;

void CDialogHost::AddView(std::unique_ptr<IDialogView> view) {
    if (view) {
        m_views.push_back(std::move(view));
    }
}

int CDialogHost::RunModal(IDialogHandler& handler) {
    if (m_handler != nullptr) {
        sys::set_last_system_error(EBUSY);
        return -1;
    }
    RunScope scope(*this, handler);
    if (m_window.load() == 0) {
        return -1;
    }
    handler.OnInitDialog();
    if (!m_ended) {
        Show();
    }
    if (!m_loop->RunUntil([this] { return m_ended; })) {
        EndDialog(kIdCancel);
    }
    return m_result;
}

void CDialogHost::EndDialog(int result) {
    if (m_handler == nullptr || m_ended) {
        return;
    }
    m_ended = true;
    m_result = result;
}

void CDialogHost::SetWindowText(std::string text) {
    if (text != m_title) {
        m_title = std::move(text);
        Notify(ChangeKind::Title, 0);
    }
}

void CDialogHost::SetIcon(uint32_t iconId) {
    if (iconId != m_icon) {
        m_icon = iconId;
        Notify(ChangeKind::Icon, 0);
    }
}

const Control* CDialogHost::GetControl(int id) const {
    auto found = std::find_if(m_controls.begin(), m_controls.end(),
                              [id](const Control& control) { return control.layout.id == id; });
    return found == m_controls.end() ? nullptr : &*found;
}

const Control* CDialogHost::GetControl(std::string_view name) const {
    auto found = std::find_if(m_controls.begin(), m_controls.end(), [name](const Control& control) {
        return control.layout.name == name;
    });
    return found == m_controls.end() ? nullptr : &*found;
}

Control* CDialogHost::Find(int id, std::optional<ControlKind> kind) {
    Control* control = const_cast<Control*>(GetControl(id));
    if (control == nullptr || (kind && control->layout.kind != *kind)) {
        sys::set_last_system_error(EINVAL);
        return nullptr;
    }
    return control;
}

std::vector<const Control*> CDialogHost::ControlsInReadingOrder() const {
    std::vector<const Control*> controls;
    for (const Control& control : m_controls) {
        controls.push_back(&control);
    }
    std::stable_sort(controls.begin(), controls.end(), [](const Control* a, const Control* b) {
        return a->layout.y != b->layout.y ? a->layout.y < b->layout.y : a->layout.x < b->layout.x;
    });
    return controls;
}

bool CDialogHost::SetDlgItemText(int id, std::string text) {
    Control* control = Find(id);
    if (control == nullptr) {
        return false;
    }
    if (text != control->text) {
        control->text = std::move(text);
        Notify(ChangeKind::Text, id);
    }
    return true;
}

std::string CDialogHost::GetDlgItemText(int id) const {
    const Control* control = GetControl(id);
    return control == nullptr ? std::string() : control->text;
}

bool CDialogHost::ShowControl(int id, bool visible) {
    Control* control = Find(id);
    if (control == nullptr) {
        return false;
    }
    if (visible && control->layout.kind == ControlKind::PushButton) {
        for (Control& other : m_controls) {
            if (&other != control && other.visible &&
                other.layout.kind == ControlKind::PushButton &&
                SamePlace(other.layout, control->layout)) {
                other.visible = false;
                Notify(ChangeKind::Visibility, other.layout.id);
            }
        }
    }
    if (visible != control->visible) {
        control->visible = visible;
        Notify(ChangeKind::Visibility, id);
    }
    return true;
}

bool CDialogHost::IsControlVisible(int id) const {
    const Control* control = GetControl(id);
    return control != nullptr && control->visible;
}

bool CDialogHost::SetFontWeight(int id, int weight) {
    Control* control = Find(id);
    if (control == nullptr) {
        return false;
    }
    if (weight != control->fontWeight) {
        control->fontWeight = weight;
        Notify(ChangeKind::Font, id);
    }
    return true;
}

bool CDialogHost::AddListBoxString(int id, std::string text) {
    Control* control = Find(id, ControlKind::ListBox);
    if (control == nullptr) {
        return false;
    }
    control->lines.push_back(std::move(text));
    Notify(ChangeKind::ListLines, id);
    return true;
}

bool CDialogHost::SetHorizontalExtent(int id, int pixels) {
    Control* control = Find(id, ControlKind::ListBox);
    if (control == nullptr) {
        return false;
    }
    if (pixels != control->horizontalExtent) {
        control->horizontalExtent = pixels;
        Notify(ChangeKind::ListExtent, id);
    }
    return true;
}

bool CDialogHost::SetProgressRange(int id, int lower, int upper) {
    Control* control = Find(id, ControlKind::ProgressBar);
    if (control == nullptr) {
        return false;
    }
    ProgressState& progress = control->progress;
    progress.lower = lower;
    progress.upper = upper;
    progress.position =
        std::clamp(progress.position, std::min(lower, upper), std::max(lower, upper));
    Notify(ChangeKind::Progress, id);
    return true;
}

bool CDialogHost::SetProgressStep(int id, int step) {
    Control* control = Find(id, ControlKind::ProgressBar);
    if (control == nullptr) {
        return false;
    }
    control->progress.step = step;
    return true;
}

int CDialogHost::SetProgressPos(int id, int position) {
    Control* control = Find(id, ControlKind::ProgressBar);
    if (control == nullptr) {
        return -1;
    }
    ProgressState& progress = control->progress;
    int previous = progress.position;
    progress.position = std::clamp(position, std::min(progress.lower, progress.upper),
                                   std::max(progress.lower, progress.upper));
    if (progress.position != previous) {
        Notify(ChangeKind::Progress, id);
    }
    return previous;
}

int CDialogHost::GetProgressPos(int id) const {
    const Control* control = GetControl(id);
    if (control == nullptr || control->layout.kind != ControlKind::ProgressBar) {
        sys::set_last_system_error(EINVAL);
        return -1;
    }
    return control->progress.position;
}

bool CDialogHost::SetPicture(int id, uint32_t iconId, int width, int height) {
    Control* control = Find(id, ControlKind::Picture);
    if (control == nullptr) {
        return false;
    }
    control->pictureIcon = iconId;
    control->pictureWidth = width;
    control->pictureHeight = height;
    Notify(ChangeKind::Picture, id);
    return true;
}

void CDialogHost::SetDialogState(int state) {
    if (m_state != state) {
        m_state = state;
        Notify(ChangeKind::State, 0);
    }
}

bool CDialogHost::SetTimer(uintptr_t timerId, uint32_t periodMs) {
    sys::WindowId window = m_window.load();
    if (window == 0) {
        sys::set_last_system_error(ESRCH);
        return false;
    }
    return MessageWindows::set_timer(window, timerId, periodMs);
}

bool CDialogHost::KillTimer(uintptr_t timerId) {
    sys::WindowId window = m_window.load();
    if (window == 0) {
        sys::set_last_system_error(ESRCH);
        return false;
    }
    return MessageWindows::kill_timer(window, timerId);
}

int CDialogHost::MessageBox(std::string text, std::string caption, uint32_t style) {
    if (m_window.load() == 0 || m_box || (style & kMbButtonsMask) != kMbYesNo) {
        sys::set_last_system_error(m_window.load() == 0 ? ESRCH : m_box ? EBUSY : EINVAL);
        return 0;
    }
    // A question asked while the dialog initialises shows the dialog first.
    Show();
    m_box = MessageBoxRequest{std::move(caption), std::move(text), style};
    m_boxAnswer = 0;
    m_openBox.store(++m_boxesOpened);
    for (const auto& view : m_views) {
        view->OnMessageBoxOpened(*this, *m_box);
    }
    if (!m_loop->RunUntil([this] { return m_boxAnswer != 0; })) {
        m_boxAnswer = kIdNo; // the thread is told to end: nobody is left to answer
    }
    m_openBox.store(0);
    MessageBoxRequest box = std::move(*m_box);
    m_box.reset();
    for (const auto& view : m_views) {
        view->OnMessageBoxClosed(*this, box, m_boxAnswer);
    }
    return m_boxAnswer;
}

void CDialogHost::DispatchWaitingMessages() {
    if (m_loop != nullptr) {
        m_loop->DispatchWaiting();
    } else {
        m_threadLoop.DispatchWaiting();
    }
}

bool CDialogHost::PostMessage(uint32_t message, uintptr_t wparam, intptr_t lparam) {
    sys::WindowId window = m_window.load();
    if (window == 0) {
        sys::set_last_system_error(ESRCH);
        return false;
    }
    return MessageWindows::post(window, message, wparam, lparam);
}

bool CDialogHost::PressKey(uintptr_t key) {
    return PostMessage(sys::wm::KeyDown, key);
}

bool CDialogHost::PressButton(int id) {
    return PostMessage(kHostPressButton, static_cast<uintptr_t>(id));
}

bool CDialogHost::AnswerMessageBox(int answer) {
    return PostMessage(kHostAnswer, static_cast<uintptr_t>(answer),
                       static_cast<intptr_t>(m_openBox.load()));
}

bool CDialogHost::RequestRedraw() {
    return PostMessage(kHostRedraw);
}

intptr_t CDialogHost::Procedure(sys::WindowId window, uint32_t message, uintptr_t wparam,
                                intptr_t lparam) {
    switch (message) {
    case sys::wm::NcCreate:
        return 1;
    case sys::wm::Create:
    case sys::wm::Destroy:
        return 0;
    case sys::wm::Timer:
        m_handler->OnTimer(wparam);
        return 0;
    case sys::wm::KeyDown:
        OnKey(wparam);
        return 0;
    case sys::wm::Command:
        Command(static_cast<int>(wparam));
        return 0;
    case sys::wm::Close:
        Command(kIdCancel);
        return 0;
    case kHostPressButton:
        OnPressButton(static_cast<int>(wparam));
        return 0;
    case kHostAnswer:
        if (m_box && lparam != 0 && static_cast<uint64_t>(lparam) == m_openBox.load() &&
            (wparam == kIdYes || wparam == kIdNo)) {
            m_boxAnswer = static_cast<int>(wparam);
        }
        return 0;
    case kHostRedraw:
        for (const auto& view : m_views) {
            view->OnRedraw(*this);
        }
        return 0;
    default:
        break;
    }
    if (message >= sys::wm::User && message < kHostMessageFirst) {
        m_handler->OnMessage(message, wparam, lparam);
        return 0;
    }
    return MessageWindows::default_procedure(window, message, wparam, lparam);
}

void CDialogHost::OnKey(uintptr_t key) {
    if (m_box) {
        if (key == 'Y') {
            m_boxAnswer = kIdYes;
        } else if (key == 'N') {
            m_boxAnswer = kIdNo;
        }
        return;
    }
    if (key == kKeyEscape) {
        Command(kIdCancel);
        return;
    }
    for (const Control& control : m_controls) {
        if (control.layout.kind == ControlKind::PushButton && control.visible &&
            (key == kKeyEnter ||
             (control.layout.key != 0 && key == static_cast<uintptr_t>(control.layout.key)))) {
            Command(control.layout.id);
            return;
        }
    }
}

void CDialogHost::OnPressButton(int id) {
    if (id == kIdCancel) {
        Command(kIdCancel);
        return;
    }
    const Control* control = GetControl(id);
    if (control != nullptr && control->layout.kind == ControlKind::PushButton && control->visible) {
        Command(id);
    }
}

void CDialogHost::Command(int id) {
    // The dialog is disabled while its message box is open.
    if (!m_box) {
        m_handler->OnCommand(id);
    }
}

void CDialogHost::Notify(ChangeKind kind, int id) {
    if (!m_shown) {
        return;
    }
    DialogChange change{kind, id};
    for (const auto& view : m_views) {
        view->OnChange(*this, change);
    }
}

void CDialogHost::Show() {
    if (m_shown) {
        return;
    }
    m_shown = true;
    for (const auto& view : m_views) {
        view->OnOpen(*this);
    }
}

void CDialogHost::Close(int result) noexcept {
    if (!m_shown) {
        return;
    }
    m_shown = false;
    for (const auto& view : m_views) {
        view->OnClose(*this, result);
    }
}

} // namespace devio::app::ui
