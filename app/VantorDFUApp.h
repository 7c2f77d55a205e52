// The application object of the update tool: parses the command line, runs the update dialog and,
// when the dialog has ended, stops the library's threads in order through the shutdown guard.
#pragma once

#include <string>
#include <vector>

#include "app/IToolDialog.h"

namespace devio::app {

class CVantorDFUApp {
public:
    // `arguments`: the command line after the executable's name, as wide strings.
    CVantorDFUApp(std::vector<std::wstring> arguments, ToolDialogFactory dialogFactory);

    // The tool's whole run, on the application's thread: marks the shutdown guard present, parses
    // the command line into ToolOptions(), builds the dialog and runs it modally, destroys it and
    // runs the guard's callbacks, also when an exception ends the run early (it is traced and goes
    // no further). Returns false, so that the process ends once the dialog is gone.
    bool InitInstance();

    // The tool's registry key below the per-user root, built at start-up.
    const std::string& RegistryKeyPath() const { return m_registryKeyPath; }

private:
    void ParseArguments();
    void RunDialog();

    std::vector<std::wstring> m_arguments;
    ToolDialogFactory m_dialogFactory;
    const std::string m_registryKeyPath;
};

} // namespace devio::app
