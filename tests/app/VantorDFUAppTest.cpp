#include "app/VantorDFUApp.h"

#include <cctype>
#include <stdexcept>

#include <gtest/gtest.h>

#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "Source/System/DebugOutput.h"
#include "app/ToolOptions.h"

namespace devio::app {
namespace {

enum class Ending { Normally, CreationFailed, Throwing };

// Records what the dialog saw of the start-up sequence, and when it was destroyed.
class FakeDialog : public IToolDialog {
public:
    FakeDialog(std::vector<std::string>& events, Ending ending)
        : m_events(events), m_ending(ending) {
        m_events.push_back(ToolOptions().logToFile ? "built after parsing" : "built");
    }
    ~FakeDialog() override { m_events.push_back("destroyed"); }

    bool RunModal() override {
        const auto& guard = Vs2003SingletonThreadCleanup::instance();
        m_events.push_back(guard.present() ? "run with guard present" : "run without guard");
        if (m_ending == Ending::Throwing) {
            throw std::runtime_error("broken dialog");
        }
        return m_ending == Ending::Normally;
    }

private:
    std::vector<std::string>& m_events;
    Ending m_ending;
};

class VantorDFUApp : public ::testing::Test {
protected:
    void SetUp() override { ToolOptions() = CToolOptions(); }
    void TearDown() override { ToolOptions() = CToolOptions(); }

    // Runs the tool with `ending` and returns the events, the guard's callback last.
    std::vector<std::string> Run(Ending ending, std::vector<std::wstring> arguments = {L"/LOG"}) {
        std::vector<std::string> events;
        Vs2003SingletonThreadCleanup::instance().register_callback(
            [&events] { events.push_back("guard callback"); });
        CVantorDFUApp app(std::move(arguments), [&events, ending] {
            return std::make_unique<FakeDialog>(events, ending);
        });
        EXPECT_FALSE(app.InitInstance());
        EXPECT_TRUE(Vs2003SingletonThreadCleanup::instance().callbacks_ran());
        return events;
    }

    // The tool trace's lines ("00000.012: text"); the library's diagnostic log, which the feature
    // modules start before main, reaches the same sink during the shutdown guard.
    std::vector<std::string> TracedMessages() const {
        std::vector<std::string> messages;
        for (const std::string& line : capture.texts()) {
            if (line.size() > 11 && line.compare(9, 2, ": ") == 0 &&
                std::isdigit(static_cast<unsigned char>(line[0]))) {
                messages.push_back(line.substr(11));
            }
        }
        return messages;
    }

    sys::DebugOutputCapture capture;
};

const std::vector<std::string> kCreationWarnings = {
    "Warning: dialog creation failed, so application is terminating unexpectedly.\n",
    "Warning: if you are using MFC controls on the dialog, you cannot #define "
    "_AFX_NO_MFC_CONTROLS_IN_DIALOGS.\n"};

TEST_F(VantorDFUApp, ParsesThenRunsTheDialogThenRunsTheGuardAfterDestroyingIt) {
    std::vector<std::string> events = Run(Ending::Normally, {L"/LOG", L"/FORCEDIR=/srv/fw"});
    EXPECT_EQ(events, (std::vector<std::string>{"built after parsing", "run with guard present",
                                                "destroyed", "guard callback"}));
    EXPECT_TRUE(ToolOptions().forceUpdate);
    EXPECT_EQ(ToolOptions().firmwareFolder, L"/srv/fw");
    EXPECT_TRUE(TracedMessages().empty());
}

TEST_F(VantorDFUApp, DialogThatCannotBeCreatedIsTracedAndTheToolEndsNormally) {
    std::vector<std::string> events = Run(Ending::CreationFailed);
    EXPECT_EQ(events.back(), "guard callback");
    EXPECT_EQ(TracedMessages(), kCreationWarnings);

    capture.clear();
    CVantorDFUApp withoutDialog({}, ToolDialogFactory());
    EXPECT_FALSE(withoutDialog.InitInstance());
    EXPECT_EQ(TracedMessages(), kCreationWarnings);
}

TEST_F(VantorDFUApp, ExceptionStillDestroysTheDialogBeforeTheGuardRuns) {
    std::vector<std::string> events = Run(Ending::Throwing);
    EXPECT_EQ(events, (std::vector<std::string>{"built after parsing", "run with guard present",
                                                "destroyed", "guard callback"}));
    EXPECT_TRUE(capture.contains("broken dialog"));
}

TEST_F(VantorDFUApp, RegistryKeyIsBuiltFromTheBuildNumber) {
    CVantorDFUApp app({}, ToolDialogFactory());
    EXPECT_EQ(app.RegistryKeyPath(), "Software\\Varkon\\Vantor Firmware Update v28");
}

} // namespace
} // namespace devio::app
