// The tool's texts in Chinese (PRC), language id 0x0804.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% 更新工具 v%%DFU_PACKAGE_VERSION%%"},
    {1025, "此应用程序将为您的 %%DFU_PRODUCT_NAME%% 安装一项重要的固件更新 (v%%DFU_PACKAGE_VERSION%%)"},
    {1026, "发行说明"},
    {1027, "修复部分 %%DFU_PRODUCT_NAME%% 上出现的间歇性滚动问题"},
    {1028, "修复部分 %%DFU_PRODUCT_NAME%% 上出现的间歇性蓝牙连接问题"},
    {1029, "%%DFU_PRODUCT_NAME%% 在更新期间将无法使用。请等待更新完成。"},
    {1030, "正在更新固件。请勿断开 %%DFU_PRODUCT_NAME%%"},
    {1031, "固件已成功更新"},
    {1032, "关闭"},
    {1033, "开始"},
    {1034, "更新固件时出错。请联系 Varkon 客户支持：https://support.varkon.example/vantor"},
    {1035, "请将设备随附的接收器直接插入 USB 端口，然后将设备与接收器连接。"},
    {1036, "请确保设备通过接收器连接，而“不是”通过蓝牙连接。\n请关闭设备，然后重新打开。"},
    {1037, "设备电池电量过低，无法继续进行固件更新... 请更换电池或充电后重试..."},
    {1038, "您的设备固件已是 v%%DFU_PACKAGE_VERSION%% 或更高版本，无需更新。"},
    {1039, "固件更新失败。请等待 10 秒，应用程序将重试。"},
    {1040, "正在准备鼠标固件更新，请稍候..."},
    {1041, "单击“开始”开始固件更新"},
    {1042, "请关闭 %%DFU_PRODUCT_NAME%%，然后重新打开。"},
    {1043, "固件升级将清除您可能设置的自定义板载配置文件，并恢复为默认配置文件。您需要重新设置自定义板载配置文件。\r\n\r\n是否继续？"},
    {1044, "注意：如果您的 Vantor 鼠标在其他系统上以蓝牙模式配对，则必须取消配对并重新配对，才能在蓝牙模式下使用。"},
    {1055, "在 Veloxa 模式下配置的板载设置现在也适用于蓝牙模式"},
};
// clang-format on

} // namespace

extern const StringTable kChineseSimplified{0x0804, kEntries};

} // namespace devio::app::strings
