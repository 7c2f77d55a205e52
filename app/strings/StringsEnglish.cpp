// The tool's texts in English (language-neutral English, the fallback of every lookup), language id 0x0009.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% Update Tool v%%DFU_PACKAGE_VERSION%%"},
    {1025, "This application will apply a critical firmware update (v%%DFU_PACKAGE_VERSION%%) to your %%DFU_PRODUCT_NAME%%"},
    {1026, "Release Notes"},
    {1027, "Fix intermittent scrolling issues experienced on some %%DFU_PRODUCT_NAME%%"},
    {1028, "Fix intermittent Bluetooth connectivity issues experienced on some %%DFU_PRODUCT_NAME%%"},
    {1029, "While your %%DFU_PRODUCT_NAME%% is updating, it will not be functional. Please wait until the update has completed."},
    {1030, "Updating firmware. Do not disconnect your %%DFU_PRODUCT_NAME%%"},
    {1031, "You have successfully updated the firmware"},
    {1032, "Close"},
    {1033, "Start"},
    {1034, "An error occurred while updating the firmware. Please contact Varkon customer support at https://support.varkon.example/vantor"},
    {1035, "Please plug the receiver that came with your device directly into a USB port, and connect your device with the receiver."},
    {1036, "Please make sure your device is connected with the receiver and NOT via Bluetooth.\nTurn your device OFF and then ON."},
    {1037, "DFU cannot proceed as your device batteries are very low... Please replace or recharge your batteries and try again..."},
    {1038, "Your device has firmware v%%DFU_PACKAGE_VERSION%% or higher. No update is needed."},
    {1039, "The firmware updated failed. Please wait 10 seconds for the application to retry."},
    {1040, "Preparing mouse firmware update, please wait..."},
    {1041, "Click 'Start' to begin the firmware update"},
    {1042, "Please turn your %%DFU_PRODUCT_NAME%% OFF then ON."},
    {1043, "The firmware upgrade will erase the custom on-board profile you might have and return to default profile. You will have to re-program your custom on-board profile.\r\n\r\nWould you like to continue?"},
    {1044, "Note: if your Vantor mouse is paired in Bluetooth mode on another system, it must be unpaired and paired again for it to work in Bluetooth mode."},
    {1055, "On-board settings configured in Veloxa mode now works in Bluetooth mode"},
};
// clang-format on

} // namespace

extern const StringTable kEnglish{0x0009, kEntries};

} // namespace devio::app::strings
