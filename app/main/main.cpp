// vantor-dfu: the Vantor firmware update tool.
#include <string>
#include <vector>

#include "app/TextEncoding.h"
#include "app/VantorDFUApp.h"

int main(int argc, char** argv) {
    using namespace devio::app;
    // The options arrive as the original platform hands them over: wide strings without the
    // executable's name. Bytes that are not UTF-8 survive the conversion (TextEncoding.h).
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.push_back(WideFromUtf8(argv[i]));
    }
    CVantorDFUApp app(std::move(arguments), ToolDialogFactory());
    app.InitInstance();
    return 0;
}
