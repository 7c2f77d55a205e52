#include "app/gui/DialogWindow.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <cmath>

#include "app/gui/DialogPictures.h"

namespace devio::app::gui {

namespace {

using ui::ControlKind;

// The smallest share of the window's font size that a text may shrink to so as to fit.
constexpr double kSmallestTextScale = 0.7;

QString FromUtf8(const std::string& text) {
    QString result = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

} // namespace

CDialogWindow::CDialogWindow(ui::CDialogHost& host) : m_host(host) {
    // Dialog units of the window's font, as the platform measures them: the average width of the
    // Latin letters and the font's height.
    QFontMetricsF metrics(font());
    const QString letters = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    m_unitX = std::round(metrics.horizontalAdvance(letters) / letters.size()) / 4.0;
    m_unitY = std::ceil(metrics.height()) / 8.0;
    const ui::DialogTemplate& dialog = host.Template();
    setFixedSize(static_cast<int>(std::lround(dialog.width * m_unitX)),
                 static_cast<int>(std::lround(dialog.height * m_unitY)));
    setWindowIcon(ApplicationIcon());
    Build();
}

QRect CDialogWindow::Place(const ui::ControlTemplate& layout) const {
    const int left = static_cast<int>(std::lround(layout.x * m_unitX));
    const int top = static_cast<int>(std::lround(layout.y * m_unitY));
    const int right = static_cast<int>(std::lround((layout.x + layout.width) * m_unitX));
    const int bottom = static_cast<int>(std::lround((layout.y + layout.height) * m_unitY));
    return QRect(left, top, right - left, bottom - top);
}

void CDialogWindow::Build() {
    QWidget* previous = nullptr;
    for (const ui::Control& control : m_host.Controls()) {
        const ui::ControlTemplate& layout = control.layout;
        QWidget* widget = nullptr;
        switch (layout.kind) {
        case ControlKind::Static: {
            auto* label = new QLabel(this);
            label->setWordWrap(true);
            label->setTextFormat(Qt::PlainText);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = label;
            break;
        }
        case ControlKind::Picture: {
            auto* picture = new QLabel(this);
            picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            widget = picture;
            break;
        }
        case ControlKind::ListBox: {
            auto* list = new QListWidget(this);
            list->setSelectionMode(QAbstractItemView::NoSelection);
            list->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
            list->setFocusPolicy(Qt::NoFocus);
            widget = list;
            break;
        }
        case ControlKind::ProgressBar: {
            auto* bar = new QProgressBar(this);
            bar->setTextVisible(false);
            widget = bar;
            break;
        }
        case ControlKind::PushButton: {
            auto* button = new QPushButton(this);
            const int id = layout.id;
            // The host presses the button only if it is still shown when the press is handled.
            connect(button, &QPushButton::clicked, this, [this, id] { m_host.PressButton(id); });
            widget = button;
            break;
        }
        }
        widget->setObjectName(QString::fromStdString(layout.name));
        widget->setGeometry(Place(layout));
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
        m_widgets[layout.id] = widget;
    }
}

QWidget* CDialogWindow::ControlWidget(int id) const {
    auto found = m_widgets.find(id);
    return found == m_widgets.end() ? nullptr : found->second;
}

void CDialogWindow::RenderAll() {
    setWindowTitle(FromUtf8(m_host.WindowText()));
    for (const ui::Control& control : m_host.Controls()) {
        RenderControl(control);
    }
}

void CDialogWindow::Render(const ui::DialogChange& change) {
    switch (change.kind) {
    case ui::ChangeKind::Title:
        setWindowTitle(FromUtf8(m_host.WindowText()));
        return;
    case ui::ChangeKind::Icon:
    case ui::ChangeKind::State:
        return; // the window always has the application icon
    default:
        break;
    }
    if (const ui::Control* control = m_host.GetControl(change.id)) {
        RenderControl(*control);
    }
}

void CDialogWindow::RenderControl(const ui::Control& control) {
    QWidget* widget = ControlWidget(control.layout.id);
    if (widget == nullptr) {
        return;
    }
    switch (control.layout.kind) {
    case ControlKind::Static:
        RenderText(*static_cast<QLabel*>(widget), control);
        break;
    case ControlKind::Picture: {
        // As an icon control does, the picture takes the size of the icon loaded into it.
        QPixmap picture =
            DialogPicture(control.pictureIcon, control.pictureWidth, control.pictureHeight);
        auto* label = static_cast<QLabel*>(widget);
        label->setPixmap(picture);
        label->resize(picture.isNull() ? Place(control.layout).size() : picture.size());
        break;
    }
    case ControlKind::ListBox: {
        auto* list = static_cast<QListWidget*>(widget);
        list->clear();
        for (const std::string& line : control.lines) {
            auto* item = new QListWidgetItem(FromUtf8(line), list);
            // The horizontal extent: the list scrolls sideways over this many pixels.
            QSize hint = list->fontMetrics().size(0, item->text());
            hint.setWidth(std::max(hint.width(), control.horizontalExtent));
            item->setSizeHint(hint);
        }
        break;
    }
    case ControlKind::ProgressBar: {
        auto* bar = static_cast<QProgressBar*>(widget);
        const ui::ProgressState& progress = control.progress;
        bar->setRange(std::min(progress.lower, progress.upper),
                      std::max(progress.lower, progress.upper));
        bar->setValue(progress.position);
        break;
    }
    case ControlKind::PushButton:
        static_cast<QPushButton*>(widget)->setText(FromUtf8(control.text));
        break;
    }
    widget->setVisible(control.visible);
}

void CDialogWindow::RenderText(QLabel& label, const ui::Control& control) {
    QFont textFont = font();
    textFont.setWeight(control.IsBold() ? QFont::Bold : QFont::Normal);
    label.setFont(textFont);
    label.setText(FromUtf8(control.text));
    // A text that a translation made too long for its place shrinks a little rather than being
    // cut off.
    const double size = textFont.pointSizeF();
    for (double scale = 0.95; !TextFits(control.layout.id) && scale >= kSmallestTextScale;
         scale -= 0.05) {
        textFont.setPointSizeF(size * scale);
        label.setFont(textFont);
    }
}

bool CDialogWindow::TextFits(int id) const {
    const auto* label = qobject_cast<const QLabel*>(ControlWidget(id));
    if (label == nullptr || label->text().isEmpty()) {
        return true;
    }
    const int needed = label->heightForWidth(label->width());
    // A single word wider than the label is cut off even when the height suffices.
    const int widest = label->minimumSizeHint().width();
    return needed <= label->height() && widest <= label->width();
}

void CDialogWindow::CloseForGood() {
    m_mayClose = true;
    close();
}

void CDialogWindow::closeEvent(QCloseEvent* event) {
    if (m_mayClose) {
        event->accept();
        return;
    }
    // The close box and the window manager's close are the Cancel command; whether the dialog
    // ends is its behaviour's decision (it refuses during the transfer).
    event->ignore();
    m_host.PressButton(ui::kIdCancel);
}

void CDialogWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        m_host.PressKey(ui::kKeyEscape);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_host.PressKey(ui::kKeyEnter);
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace devio::app::gui
