// The update dialog as a desktop window, on the virtual display the suite starts: whole runs
// against the built-in virtual receiver and mouse on a small time scale, driven through the
// window's own widgets from Qt's event loop, and the texts of every language in their places.
// Screenshots of the window go to DEVIO_GUI_SHOTS_DIR for a reviewer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Source/Manager/CDevio.h"
#include "Source/Windows/Win32SystemChoice.h"
#include "app/LoadMessage.h"
#include "app/ProductSettings.h"
#include "app/SimulatedWorld.h"
#include "app/TextIds.h"
#include "app/ToolOptions.h"
#include "app/ToolOutcome.h"
#include "app/VantorDFUDlg.h"
#include "app/gui/WindowView.h"
#include "app/strings/StringTables.h"
#include "support/ScopedTimeScale.h"
#include "support/TempDir.h"

namespace devio::app::gui {
namespace {

using Dlg = CVantorDFUDlg;

constexpr uint16_t kGerman = 0x0407;
constexpr uint16_t kJapanese = 0x0411;

QString Q(const std::string& text) {
    QString result = QString::fromStdString(text);
    result.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return result;
}

// What the test does when the dialog enters a state or asks its question; it runs from Qt's event
// loop after the change, as a user's click would come.
using StateAction = std::function<void(CWindowView&, int state)>;
using BoxAction = std::function<void(CQuestionBox&)>;

// Watches the dialog beside the window: records the states and the progress bar's positions while
// it is shown, and schedules the test's actions.
class Watcher : public ui::IDialogView {
public:
    Watcher(CWindowView& window, StateAction onState, BoxAction onBox)
        : m_window(window), m_onState(std::move(onState)), m_onBox(std::move(onBox)) {}

    void OnOpen(ui::CDialogHost& host) override {
        m_host = &host;
        Schedule();
    }
    void OnChange(const ui::CDialogHost& host, const ui::DialogChange& change) override {
        if (change.kind == ui::ChangeKind::State && host.DialogState()) {
            states.push_back(*host.DialogState());
        }
        if (change.kind == ui::ChangeKind::State || change.kind == ui::ChangeKind::Visibility) {
            Schedule();
        }
        if (change.kind == ui::ChangeKind::Progress && host.IsControlVisible(Dlg::IDC_PROGRESS)) {
            progress.push_back(host.GetControl(Dlg::IDC_PROGRESS)->progress.position);
        }
    }
    void OnMessageBoxOpened(const ui::CDialogHost&, const ui::MessageBoxRequest& box) override {
        questions.push_back(box);
        QTimer::singleShot(0, &m_context, [this] {
            if (m_window.Question() != nullptr && m_onBox) {
                m_onBox(*m_window.Question());
            }
        });
    }
    void OnMessageBoxClosed(const ui::CDialogHost&, const ui::MessageBoxRequest&,
                            int answer) override {
        answers.push_back(answer);
    }
    void OnRedraw(const ui::CDialogHost&) override {}
    void OnClose(const ui::CDialogHost&, int) noexcept override {}

    std::vector<int> states;
    std::vector<int> progress;
    std::vector<ui::MessageBoxRequest> questions;
    std::vector<int> answers;

private:
    // The action sees the dialog as it is when it runs, as a user would: the buttons may come
    // after the state, and Qt's events are also handled while the dialog waits inside a handler.
    void Schedule() {
        QTimer::singleShot(0, &m_context, [this] {
            if (m_window.Window() != nullptr && m_host->Running() && m_onState) {
                m_onState(m_window, m_host->DialogState().value_or(-1));
            }
        });
    }

    CWindowView& m_window;
    ui::CDialogHost* m_host = nullptr;
    StateAction m_onState;
    BoxAction m_onBox;
    QObject m_context; // pending actions end with the watcher
};

bool Shown(CWindowView& view, int id) {
    return view.Window()->ControlWidget(id)->isVisible();
}

void Click(CWindowView& view, int id) {
    auto* button = qobject_cast<QPushButton*>(view.Window()->ControlWidget(id));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible()) << id;
    QTest::mouseClick(button, Qt::LeftButton);
}

void Answer(CQuestionBox& box, QMessageBox::StandardButton which) {
    QTest::mouseClick(box.button(which), Qt::LeftButton);
}

// A screenshot of the window: saved for the reviewer and checked to be the window, not blank.
QImage Shoot(CWindowView& view, const std::string& name) {
    QImage shot = view.Window()->grab().toImage();
    EXPECT_EQ(shot.size(), view.Window()->size()) << name;
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width(); x += 2) {
            colours.insert(shot.pixel(x, y));
        }
    }
    // Text, picture and frames give many shades; an unpainted window has one or two.
    EXPECT_GT(colours.size(), 20) << name << " looks blank";
    QDir().mkpath(QStringLiteral(DEVIO_GUI_SHOTS_DIR));
    const QString path = QStringLiteral(DEVIO_GUI_SHOTS_DIR "/") + Q(name) + ".png";
    EXPECT_TRUE(shot.save(path)) << path.toStdString();
    return shot;
}

std::string LabelText(CWindowView& view, int id) {
    auto* label = qobject_cast<QLabel*>(view.Window()->ControlWidget(id));
    return label == nullptr ? std::string("<none>") : label->text().toStdString();
}

struct RunResult {
    std::vector<int> states;
    std::vector<int> progress;
    std::vector<ui::MessageBoxRequest> questions;
    std::vector<int> answers;
    int finalState = -1;
    sim::MouseState mouse;
};

class WindowView : public ::testing::Test {
protected:
    void SetUp() override {
        ToolOptions() = CToolOptions{};
        ToolOutcome() = CToolOutcome{};
    }
    void TearDown() override {
        ToolOptions() = CToolOptions{};
        ToolOutcome() = CToolOutcome{};
    }

    // Runs the dialog in the window against a virtual mouse with firmware 8.6.27 and a custom
    // profile (so that the question comes).
    RunResult Run(const StateAction& onState, const BoxAction& onBox) {
        RunResult result;
        CDevio::instance().reset();
        std::optional<CSimulatedWorld> world;
        world.emplace(CSimulatedWorld::DefaultMouse(sim::FirmwareVersion::from(8, 6, 27)), true);
        {
            auto window = std::make_unique<CWindowView>();
            auto watcher = std::make_unique<Watcher>(*window, onState, onBox);
            Watcher& seen = *watcher;
            std::vector<std::unique_ptr<ui::IDialogView>> views;
            views.push_back(std::move(window));
            views.push_back(std::move(watcher));
            Dlg dialog(
                std::move(views),
                CCompanion(BuildRegistryKeyPath(), [](const sys::ProcessEntry&) { return false; }));
            EXPECT_TRUE(dialog.RunModal());
            result.states = seen.states;
            result.progress = seen.progress;
            result.questions = seen.questions;
            result.answers = seen.answers;
            result.finalState = dialog.State();
        }
        CDevio::instance().reset();
        result.mouse = world->Mouse().state();
        world.reset();
        Win32SystemChoice::choose({});
        return result;
    }

    test::ScopedTimeScale scale_{0.01};
    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.file("config").c_str()};
    test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path().c_str()};
    test::ScopedEnv documents_{"XDG_DOCUMENTS_DIR", dir_.path().c_str()};
    test::ScopedEnv locale_{"LC_ALL", "en_US.UTF-8"};
};

TEST_F(WindowView, WholeUpdateThroughTheWindow) {
    std::vector<QImage> shots;
    bool closeRefused = false;
    std::string statusWhileUpdating;
    StateAction onState = [&](CWindowView& view, int state) {
        CDialogWindow& window = *view.Window();
        if (state == Dlg::ReadyToStart && shots.empty() && Shown(view, Dlg::IDC_START)) {
            EXPECT_EQ(window.windowTitle().toStdString(),
                      "Varkon Vantor Veloxa Wireless Gaming Mouse Update Tool v8.6.28");
            EXPECT_FALSE(window.ControlWidget(Dlg::IDC_PROGRESS)->isVisible());
            EXPECT_FALSE(window.ControlWidget(Dlg::IDC_CLOSE)->isVisible());
            auto* notes = qobject_cast<QListWidget*>(window.ControlWidget(Dlg::IDC_RELEASE_NOTES));
            ASSERT_EQ(notes->count(), 3);
            EXPECT_EQ(notes->item(0)->text().toStdString(),
                      "* Fix intermittent scrolling issues experienced on some Vantor Veloxa "
                      "Wireless Gaming Mouse");
            EXPECT_EQ(LabelText(view, Dlg::IDC_STATUS), LoadMessage(kTextClickStart));
            auto* picture = qobject_cast<QLabel*>(window.ControlWidget(Dlg::IDC_PICTURE));
            EXPECT_EQ(picture->pixmap().size(), QSize(Dlg::kPictureWidth, Dlg::kPictureHeight));
            EXPECT_EQ(picture->size(), picture->pixmap().size());
            EXPECT_TRUE(
                qobject_cast<QLabel*>(window.ControlWidget(Dlg::IDC_STATUS))->font().bold());
            shots.push_back(Shoot(view, "window-1-before-start"));
            Click(view, Dlg::IDC_START);
        } else if (state == Dlg::SendingSecondImage && !closeRefused) {
            // The close box, Alt+F4 and Escape are all refused while the mouse is being written.
            closeRefused = true;
            window.close();
            QTest::keyClick(&window, Qt::Key_Escape);
            statusWhileUpdating = LabelText(view, Dlg::IDC_STATUS);
            shots.push_back(Shoot(view, "window-2-transfer"));
        } else if (state == Dlg::Succeeded && shots.size() == 2 && Shown(view, Dlg::IDC_CLOSE)) {
            EXPECT_TRUE(window.isVisible());
            EXPECT_EQ(LabelText(view, Dlg::IDC_STATUS), Q(LoadMessage(kTextSucceeded) + "\r\n\r\n" +
                                                          LoadMessage(kTextBluetoothPairingNote))
                                                            .toStdString());
            EXPECT_FALSE(window.ControlWidget(Dlg::IDC_START)->isVisible());
            auto* bar = qobject_cast<QProgressBar*>(window.ControlWidget(Dlg::IDC_PROGRESS));
            EXPECT_EQ(bar->value(), bar->maximum());
            shots.push_back(Shoot(view, "window-3-done"));
            Click(view, Dlg::IDC_CLOSE);
        }
    };
    RunResult run = Run(onState, [](CQuestionBox& box) {
        EXPECT_EQ(box.icon(), QMessageBox::Warning);
        EXPECT_EQ(box.windowTitle().toStdString(), LoadMessage(kTextTitle));
        EXPECT_EQ(box.text(), Q(LoadMessage(kTextProfilesWillBeErased)));
        Answer(box, QMessageBox::Yes);
    });

    EXPECT_EQ(run.finalState, Dlg::Succeeded);
    EXPECT_EQ(run.answers, std::vector<int>{ui::kIdYes});
    EXPECT_EQ(run.mouse.running_version, "8.6.28");
    EXPECT_TRUE(closeRefused);
    EXPECT_EQ(statusWhileUpdating, LoadMessage(kTextUpdating));
    // The bar rises during the transfer. It goes back only when a packet's time-out (short on
    // this time scale, and a busy machine may miss it) makes the controller start the transfer
    // again from the bootloader: every drop comes with a new attempt.
    std::string positions;
    size_t drops = 0;
    size_t lastAttempt = 0;
    for (size_t i = 0; i < run.progress.size(); ++i) {
        positions += std::to_string(run.progress[i]) + " ";
        if (i > 0 && run.progress[i] < run.progress[i - 1]) {
            ++drops;
            lastAttempt = i;
        }
    }
    EXPECT_LE(drops + 1, static_cast<size_t>(std::count(run.states.begin(), run.states.end(),
                                                        static_cast<int>(Dlg::BootloaderReady))))
        << positions;
    ASSERT_GT(run.progress.size(), lastAttempt + 3) << positions;
    EXPECT_GT(run.progress.back(), run.progress[lastAttempt]) << positions;
    ASSERT_EQ(shots.size(), 3u);
    EXPECT_NE(shots[0], shots[1]);
    EXPECT_NE(shots[1], shots[2]);
    EXPECT_NE(shots[0], shots[2]);
}

TEST_F(WindowView, AnsweringNoKeepsTheFirmwareAndTheWindowCloses) {
    int offers = 0;
    bool answered = false;
    RunResult run = Run(
        [&](CWindowView& view, int state) {
            if (state != Dlg::ReadyToStart || !Shown(view, Dlg::IDC_START) ||
                offers == (answered ? 2 : 1)) {
                return;
            }
            if (++offers == 1) {
                Click(view, Dlg::IDC_START);
            } else {
                // Start is offered again; the window manager's close now ends the dialog.
                view.Window()->close();
            }
        },
        [&](CQuestionBox& box) {
            answered = true;
            // Escape and the box's close do not answer a Yes/No question.
            QTest::keyClick(&box, Qt::Key_Escape);
            box.close();
            EXPECT_TRUE(box.isVisible());
            Answer(box, QMessageBox::No);
        });

    EXPECT_EQ(offers, 2);
    EXPECT_EQ(run.answers, std::vector<int>{ui::kIdNo});
    EXPECT_EQ(run.finalState, Dlg::ReadyToStart);
    EXPECT_EQ(run.mouse.running_version, "8.6.27");
}

// Builds the window on a dialog that is not running, with every text of `language`.
class LanguageWindow {
public:
    explicit LanguageWindow(uint16_t language) : m_host(Dlg::Template()) {
        for (auto [id, text] :
             {std::pair{Dlg::IDC_INTRODUCTION, kTextIntroduction},
              std::pair{Dlg::IDC_NOTICE, kTextNotFunctional},
              std::pair{Dlg::IDC_NOTES_HEADING, kTextReleaseNotesHeading},
              std::pair{Dlg::IDC_CLOSE, kTextClose}, std::pair{Dlg::IDC_START, kTextStart}}) {
            m_host.SetDlgItemText(id, LoadMessage(text, language));
        }
        m_host.SetWindowText(LoadMessage(kTextTitle, language));
        for (uint32_t note : {kTextReleaseNoteScrolling, kTextReleaseNoteBluetooth,
                              kTextReleaseNoteOnBoardSettings}) {
            m_host.AddListBoxString(Dlg::IDC_RELEASE_NOTES, "* " + LoadMessage(note, language));
        }
        m_host.SetFontWeight(Dlg::IDC_STATUS, ui::kFontWeightBold);
        m_host.SetPicture(Dlg::IDC_PICTURE, Dlg::IDI_PICTURE, Dlg::kPictureWidth,
                          Dlg::kPictureHeight);
        m_host.ShowControl(Dlg::IDC_START, true);
        window = std::make_unique<CDialogWindow>(m_host);
        window->RenderAll();
    }
    // Shows `text` in the status control as the controller would.
    void SetStatus(const std::string& text) {
        m_host.SetDlgItemText(Dlg::IDC_STATUS, text);
        window->Render({ui::ChangeKind::Text, Dlg::IDC_STATUS});
    }

    std::unique_ptr<CDialogWindow> window;

private:
    ui::CDialogHost m_host;
};

TEST(WindowTexts, EveryTextOfEveryLanguageShowsWhole) {
    const std::vector<uint32_t> statusTexts = {
        kTextUpdating,       kTextNoReceiver, kTextNotConnected, kTextUpToDate,
        kTextFailedRetrying, kTextPreparing,  kTextClickStart,   kTextTurnOffAndOn};
    for (const strings::StringTable* table : strings::AllStringTables()) {
        const uint16_t language = table->languageId;
        LanguageWindow dialog(language);
        for (int id : {Dlg::IDC_INTRODUCTION, Dlg::IDC_NOTICE, Dlg::IDC_NOTES_HEADING}) {
            EXPECT_TRUE(dialog.window->TextFits(id))
                << std::hex << language << " " << std::dec << id;
        }
        for (uint32_t text : statusTexts) {
            dialog.SetStatus(LoadMessage(text, language));
            EXPECT_TRUE(dialog.window->TextFits(Dlg::IDC_STATUS))
                << std::hex << language << " " << std::dec << text;
        }
        dialog.SetStatus(LoadMessage(kTextSucceeded, language) + "\r\n\r\n" +
                         LoadMessage(kTextBluetoothPairingNote, language));
        EXPECT_TRUE(dialog.window->TextFits(Dlg::IDC_STATUS)) << std::hex << language;
        auto* start = qobject_cast<QPushButton*>(dialog.window->ControlWidget(Dlg::IDC_START));
        EXPECT_LE(start->sizeHint().width(), start->width()) << std::hex << language;
    }
    // What shrinking cannot save is reported.
    LanguageWindow english(0x0009);
    std::string tooLong;
    for (int i = 0; i < 30; ++i) {
        tooLong += LoadMessage(kTextNotFunctional, 0x0009) + " ";
    }
    english.SetStatus(tooLong);
    EXPECT_FALSE(english.window->TextFits(Dlg::IDC_STATUS));
}

TEST(WindowTexts, GermanAndJapaneseWindowsCarryTheirTables) {
    for (auto [language, name] : {std::pair{kGerman, "german"}, std::pair{kJapanese, "japanese"}}) {
        LanguageWindow dialog(language);
        dialog.SetStatus(LoadMessage(kTextClickStart, language));
        dialog.window->show();
        QApplication::processEvents();
        EXPECT_EQ(dialog.window->windowTitle(), Q(LoadMessage(kTextTitle, language)));
        EXPECT_NE(dialog.window->windowTitle(), Q(LoadMessage(kTextTitle, 0x0409)));
        auto* start = qobject_cast<QPushButton*>(dialog.window->ControlWidget(Dlg::IDC_START));
        EXPECT_EQ(start->text(), Q(LoadMessage(kTextStart, language)));
        const QImage shot = dialog.window->grab().toImage();
        QDir().mkpath(QStringLiteral(DEVIO_GUI_SHOTS_DIR));
        EXPECT_TRUE(shot.save(QStringLiteral(DEVIO_GUI_SHOTS_DIR "/window-") + name + ".png"));
    }
}

// The tables in scripts other than Latin need fonts with their glyphs, which Qt falls back to.
TEST(WindowTexts, FontsForEveryScriptOfTheTablesAreInstalled) {
    for (QFontDatabase::WritingSystem script :
         {QFontDatabase::Cyrillic, QFontDatabase::Japanese, QFontDatabase::Korean,
          QFontDatabase::SimplifiedChinese, QFontDatabase::TraditionalChinese}) {
        EXPECT_FALSE(QFontDatabase::families(script).isEmpty())
            << QFontDatabase::writingSystemName(script).toStdString();
    }
}

} // namespace
} // namespace devio::app::gui
