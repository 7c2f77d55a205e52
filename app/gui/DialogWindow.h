// The desktop window of a dialog: one Qt widget per control of the dialog's template, placed at
// the template's positions in dialog units, which are scaled to the window's font (a quarter of
// its average character width across, an eighth of its height down) so that the window keeps its
// proportions at any font size and scale factor. It shows what the dialog host holds and hands
// the user's input to the host as posted presses: a button's click, Enter, Escape, and the close
// box or the window manager's close (Alt+F4), which give the Cancel command and leave the
// decision to the dialog's behaviour; only the end of the dialog closes the window.
//
// Threads: the dialog's thread, the application's (Qt's widgets live there).
#pragma once

#include <QWidget>
#include <map>

#include "app/ui/DialogHost.h"

class QLabel;

namespace devio::app::gui {

class CDialogWindow : public QWidget {
public:
    explicit CDialogWindow(ui::CDialogHost& host);

    // Shows the dialog's current state in every control.
    void RenderAll();
    // Shows what `change` names.
    void Render(const ui::DialogChange& change);
    // The dialog ended: the window may close now, and does.
    void CloseForGood();

    // The widget of control `id`; null when there is none.
    QWidget* ControlWidget(int id) const;
    // Whether the text of control `id` shows whole at its size (always true for other kinds).
    bool TextFits(int id) const;

    // A dialog unit in pixels at the window's font.
    double UnitX() const { return m_unitX; }
    double UnitY() const { return m_unitY; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Build();
    QRect Place(const ui::ControlTemplate& layout) const;
    void RenderControl(const ui::Control& control);
    void RenderText(QLabel& label, const ui::Control& control);

    ui::CDialogHost& m_host;
    std::map<int, QWidget*> m_widgets; // owned by the window, as its children
    double m_unitX = 1;
    double m_unitY = 1;
    bool m_mayClose = false;
};

} // namespace devio::app::gui
