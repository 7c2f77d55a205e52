#include "app/VantorDFUDlg.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "CompanionStandIn.h"
#include "DialogTestSupport.h"
#include "Source/System/Clock.h"
#include "Source/System/ConfigStore.h"
#include "Source/System/DebugOutput.h"
#include "app/LoadMessage.h"
#include "app/ProductSettings.h"
#include "app/TextIds.h"
#include "app/ToolLogFile.h"
#include "app/ToolOptions.h"
#include "support/TempDir.h"

namespace devio::app {
namespace {

using Dlg = CVantorDFUDlg;

class VantorDFUDlg : public ::testing::Test {
protected:
    void SetUp() override { sys::Clock::set_time_scale(0.01); }
    void TearDown() override { sys::Clock::set_time_scale(1); }

    // A dialog whose view runs `onOpen` once the dialog is shown (by default: press Cancel).
    std::unique_ptr<Dlg> MakeDialog(std::function<void(ui::CDialogHost&)> onOpen = {}) {
        auto view = std::make_unique<ui::test::RecordingView>(&log_);
        view->onOpen =
            onOpen ? onOpen : [](ui::CDialogHost& host) { host.PressButton(ui::kIdCancel); };
        std::vector<std::unique_ptr<ui::IDialogView>> views;
        views.push_back(std::move(view));
        return std::make_unique<Dlg>(std::move(views),
                                     CCompanion(BuildRegistryKeyPath(), test::IsOwnLiveChild));
    }

    test::TempDir dir_;
    test::ScopedEnv config_{"XDG_CONFIG_HOME", dir_.file("config").c_str()};
    test::ScopedEnv runtime_{"XDG_RUNTIME_DIR", dir_.path().c_str()};
    std::vector<std::string> log_;
};

TEST_F(VantorDFUDlg, TextsComeInTheUsersLanguageWithEnglishAsFallback) {
    struct Case {
        const char* locale;
        uint16_t language;
    } cases[] = {{"en_US.UTF-8", 0x0409}, {"de_DE.UTF-8", 0x0407}, {"el_GR.UTF-8", 0x0409}};
    for (const Case& c : cases) {
        test::ScopedEnv all("LC_ALL", c.locale);
        std::unique_ptr<Dlg> dialog = MakeDialog();
        ASSERT_TRUE(dialog->RunModal());
        const ui::CDialogHost& host = dialog->Host();
        auto text = [&](uint32_t id) { return LoadMessage(id, c.language); };
        EXPECT_EQ(host.WindowText(), text(kTextTitle)) << c.locale;
        EXPECT_EQ(host.GetDlgItemText(Dlg::IDC_INTRODUCTION), text(kTextIntroduction));
        EXPECT_EQ(host.GetDlgItemText(Dlg::IDC_NOTICE), text(kTextNotFunctional));
        EXPECT_EQ(host.GetDlgItemText(Dlg::IDC_NOTES_HEADING), text(kTextReleaseNotesHeading));
        EXPECT_EQ(host.GetDlgItemText(Dlg::IDC_CLOSE), text(kTextClose));
        EXPECT_EQ(host.GetDlgItemText(Dlg::IDC_START), text(kTextStart));
        EXPECT_EQ(host.GetControl(Dlg::IDC_RELEASE_NOTES)->lines,
                  (std::vector<std::string>{"* " + text(kTextReleaseNoteScrolling),
                                            "* " + text(kTextReleaseNoteBluetooth),
                                            "* " + text(kTextReleaseNoteOnBoardSettings)}));
        if (c.language == 0x0407) {
            EXPECT_NE(host.WindowText(), LoadMessage(kTextTitle, 0x0409));
        }
        if (std::string(c.locale) == "en_US.UTF-8") {
            EXPECT_EQ(host.WindowText(),
                      "Varkon Vantor Veloxa Wireless Gaming Mouse Update Tool v8.6.28");
            EXPECT_EQ(host.GetControl(Dlg::IDC_RELEASE_NOTES)->lines.front(),
                      "* Fix intermittent scrolling issues experienced on some Vantor Veloxa "
                      "Wireless Gaming Mouse");
        }
    }
}

TEST_F(VantorDFUDlg, OpensWithNeitherButtonAndTheRestInPlace) {
    std::unique_ptr<Dlg> dialog = MakeDialog();
    ASSERT_TRUE(dialog->RunModal());
    const ui::CDialogHost& host = dialog->Host();
    EXPECT_FALSE(host.IsControlVisible(Dlg::IDC_START));
    EXPECT_FALSE(host.IsControlVisible(Dlg::IDC_CLOSE));
    EXPECT_FALSE(host.IsControlVisible(Dlg::IDC_PROGRESS));
    const ui::ProgressState& progress = host.GetControl(Dlg::IDC_PROGRESS)->progress;
    EXPECT_EQ(progress.lower, 0);
    EXPECT_EQ(progress.upper, 79120 + 121216 + 8160);
    EXPECT_EQ(progress.step, 1);
    EXPECT_TRUE(host.GetControl(Dlg::IDC_STATUS)->IsBold());
    EXPECT_EQ(host.GetControl(Dlg::IDC_RELEASE_NOTES)->horizontalExtent, 1200);
    const ui::Control& picture = *host.GetControl(Dlg::IDC_PICTURE);
    EXPECT_EQ(picture.pictureIcon, 1007u);
    EXPECT_EQ(picture.pictureWidth, 126);
    EXPECT_EQ(picture.pictureHeight, 85);
    EXPECT_EQ(host.Icon(), 128u);
    EXPECT_EQ(sys::ConfigStore::user().read_dword(BuildRegistryKeyPath(), "NumRetries"), 1u);
    EXPECT_EQ(log_.front(), "open");
    EXPECT_EQ(log_.back(), "close 2");
}

TEST_F(VantorDFUDlg, SuccessTextHasBothParagraphs) {
    test::ScopedEnv all("LC_ALL", "en_US.UTF-8");
    std::unique_ptr<Dlg> dialog = MakeDialog();
    dialog->ShowSuccess();
    EXPECT_EQ(dialog->Host().GetDlgItemText(Dlg::IDC_STATUS),
              "You have successfully updated the firmware\r\n\r\nNote: if your Vantor mouse is "
              "paired in Bluetooth mode on another system, it must be unpaired and paired again "
              "for it to work in Bluetooth mode.");
    dialog->ShowMessage(kTextNoReceiver);
    EXPECT_EQ(dialog->Host().GetDlgItemText(Dlg::IDC_STATUS), LoadMessage(kTextNoReceiver));
}

TEST_F(VantorDFUDlg, SwitchStateMessageChangesTheStateOnTheDialogThread) {
    sys::DebugOutputCapture trace;
    std::unique_ptr<Dlg> dialog = MakeDialog([](ui::CDialogHost& host) {
        host.PostMessage(Dlg::WM_SWITCH_STATE, 13);
        host.PressButton(ui::kIdCancel);
    });
    ASSERT_TRUE(dialog->RunModal());
    EXPECT_EQ(dialog->State(), 13);
    EXPECT_EQ(dialog->Host().DialogState(), 13);
    EXPECT_TRUE(trace.contains("CVantorDFUDlg::SwitchToState() called from 0 to 13\n"));
}

TEST_F(VantorDFUDlg, StopsTheRunningCompanionFirstAndStartsItAgainWhenClosed) {
    ASSERT_TRUE(test::AdoptDetachedCompanions());
    test::CompanionStandIn running(dir_.file("Hubrix.exe"), false);
    sys::DebugOutputCapture trace;
    std::unique_ptr<Dlg> dialog = MakeDialog();
    ASSERT_TRUE(dialog->RunModal());

    EXPECT_TRUE(trace.contains("Setting Shutdown Event...\n"));
    EXPECT_TRUE(running.WaitEnded());
    EXPECT_EQ(sys::ConfigStore::user().read_sz(BuildRegistryKeyPath(), "HubrixPath"),
              running.path());
    EXPECT_TRUE(test::StopDetachedCompanion(running.path()))
        << "closing did not start the companion again";
}

TEST_F(VantorDFUDlg, LogOptionBeginsTheLogRunWhenTheDialogIsBuilt) {
    test::ScopedEnv documents("XDG_DOCUMENTS_DIR", dir_.path().c_str());
    ToolOptions().logToFile = true;
    std::unique_ptr<Dlg> dialog = MakeDialog();
    ToolOptions().logToFile = false;
    CToolLogFile::Instance().Close();
    EXPECT_TRUE(std::filesystem::exists(dir_.file("VantorFirmwareUpdate.log")));
}

} // namespace
} // namespace devio::app
