#include "app/VantorDFUApp.h"

#include <exception>

#include "Source/Log/Vs2003SingletonThreadCleanup.h"
#include "app/ProductSettings.h"
#include "app/ToolOptions.h"
#include "app/ToolTrace.h"

namespace devio::app {

CVantorDFUApp::CVantorDFUApp(std::vector<std::wstring> arguments, ToolDialogFactory dialogFactory)
    : m_arguments(std::move(arguments)), m_dialogFactory(std::move(dialogFactory)),
      m_registryKeyPath(BuildRegistryKeyPath()) {}

bool CVantorDFUApp::InitInstance() {
    Vs2003SingletonThreadCleanup& guard = Vs2003SingletonThreadCleanup::instance();
    guard.set_present();
    // The common controls, the framework's own set-up and its shell and visual managers belong to
    // the dialog host, which prepares them when it builds the dialog.
    try {
        ParseArguments();
        RunDialog();
    } catch (const std::exception& error) {
        ToolTrace("Error: the tool ended on an unexpected exception: %s\n", error.what());
    } catch (...) {
        ToolTrace("Error: the tool ended on an unexpected exception.\n");
    }
    // The dialog is gone by now, also after an exception: the library may stop its threads.
    guard.run_callbacks();
    return false;
}

void CVantorDFUApp::ParseArguments() {
    std::vector<const wchar_t*> argv;
    argv.reserve(m_arguments.size());
    for (const std::wstring& argument : m_arguments) {
        argv.push_back(argument.c_str());
    }
    ToolOptions().ParseCommandLine(static_cast<int>(argv.size()), argv.data());
}

void CVantorDFUApp::RunDialog() {
    std::unique_ptr<IToolDialog> dialog = m_dialogFactory ? m_dialogFactory() : nullptr;
    bool ran = dialog != nullptr && dialog->RunModal();
    if (!ran) {
        ToolTrace("Warning: dialog creation failed, so application is terminating unexpectedly.\n");
        ToolTrace("Warning: if you are using MFC controls on the dialog, you cannot #define "
                  "_AFX_NO_MFC_CONTROLS_IN_DIALOGS.\n");
    }
}

} // namespace devio::app
