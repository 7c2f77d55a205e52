// The tool's texts in Chinese (Taiwan), language id 0x0404.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% 更新工具 v%%DFU_PACKAGE_VERSION%%"},
    {1025, "此應用程式將為您的 %%DFU_PRODUCT_NAME%% 套用重要的韌體更新 (v%%DFU_PACKAGE_VERSION%%)"},
    {1026, "版本資訊"},
    {1027, "修正部分 %%DFU_PRODUCT_NAME%% 間歇性發生的捲動問題"},
    {1028, "修正部分 %%DFU_PRODUCT_NAME%% 間歇性發生的藍牙連線問題"},
    {1029, "%%DFU_PRODUCT_NAME%% 在更新期間將無法使用。請等候更新完成。"},
    {1030, "正在更新韌體。請勿中斷 %%DFU_PRODUCT_NAME%% 的連線"},
    {1031, "已成功更新韌體"},
    {1032, "關閉"},
    {1033, "開始"},
    {1034, "更新韌體時發生錯誤。請聯絡 Varkon 客戶支援：https://support.varkon.example/vantor"},
    {1035, "請將裝置隨附的接收器直接插入 USB 連接埠，然後將裝置與接收器連線。"},
    {1036, "請確認裝置是透過接收器連線，而「不是」透過藍牙連線。\n請將裝置關閉後再重新開啟。"},
    {1037, "裝置電池電量過低，無法繼續更新韌體... 請更換電池或充電後再試一次..."},
    {1038, "您的裝置韌體已是 v%%DFU_PACKAGE_VERSION%% 或更新版本，不需要更新。"},
    {1039, "韌體更新失敗。請等候 10 秒，應用程式將會重試。"},
    {1040, "正在準備滑鼠韌體更新，請稍候..."},
    {1041, "按一下「開始」以開始更新韌體"},
    {1042, "請將 %%DFU_PRODUCT_NAME%% 關閉後再重新開啟。"},
    {1043, "韌體升級將清除您可能設定的自訂內建設定檔，並還原為預設設定檔。您必須重新設定自訂內建設定檔。\r\n\r\n是否要繼續？"},
    {1044, "注意：如果您的 Vantor 滑鼠已在其他系統上以藍牙模式配對，必須先取消配對再重新配對，才能在藍牙模式下運作。"},
    {1055, "在 Veloxa 模式下設定的內建設定現在也可在藍牙模式下運作"},
};
// clang-format on

} // namespace

extern const StringTable kChineseTraditional{0x0404, kEntries};

} // namespace devio::app::strings
