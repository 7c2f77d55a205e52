// The tool's texts in Korean, language id 0x0412.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% 업데이트 도구 v%%DFU_PACKAGE_VERSION%%"},
    {1025, "이 응용 프로그램은 %%DFU_PRODUCT_NAME%%에 중요한 펌웨어 업데이트(v%%DFU_PACKAGE_VERSION%%)를 적용합니다"},
    {1026, "릴리스 정보"},
    {1027, "일부 %%DFU_PRODUCT_NAME%%에서 간헐적으로 발생하는 스크롤 문제 해결"},
    {1028, "일부 %%DFU_PRODUCT_NAME%%에서 간헐적으로 발생하는 Bluetooth 연결 문제 해결"},
    {1029, "업데이트하는 동안에는 %%DFU_PRODUCT_NAME%%가 작동하지 않습니다. 업데이트가 완료될 때까지 기다려 주십시오."},
    {1030, "펌웨어를 업데이트하는 중입니다. %%DFU_PRODUCT_NAME%%의 연결을 끊지 마십시오"},
    {1031, "펌웨어가 업데이트되었습니다"},
    {1032, "닫기"},
    {1033, "시작"},
    {1034, "펌웨어를 업데이트하는 중에 오류가 발생했습니다. Varkon 고객 지원팀에 문의하십시오: https://support.varkon.example/vantor"},
    {1035, "장치와 함께 제공된 수신기를 USB 포트에 직접 연결하고 장치를 수신기에 연결하십시오."},
    {1036, "장치가 Bluetooth가 아닌 수신기를 통해 연결되어 있는지 확인하십시오.\n장치를 껐다가 다시 켜십시오."},
    {1037, "장치 배터리가 매우 부족하여 펌웨어 업데이트를 진행할 수 없습니다... 배터리를 교체하거나 충전한 후 다시 시도하십시오..."},
    {1038, "장치에 이미 펌웨어 v%%DFU_PACKAGE_VERSION%% 이상이 설치되어 있습니다. 업데이트할 필요가 없습니다."},
    {1039, "펌웨어 업데이트에 실패했습니다. 응용 프로그램이 다시 시도할 때까지 10초 동안 기다려 주십시오."},
    {1040, "마우스 펌웨어 업데이트를 준비하는 중입니다. 잠시 기다려 주십시오..."},
    {1041, "펌웨어 업데이트를 시작하려면 '시작'을 클릭하십시오"},
    {1042, "%%DFU_PRODUCT_NAME%%의 전원을 껐다가 다시 켜십시오."},
    {1043, "펌웨어를 업그레이드하면 사용자 지정 온보드 프로필이 지워지고 기본 프로필로 돌아갑니다. 사용자 지정 온보드 프로필을 다시 프로그래밍해야 합니다.\r\n\r\n계속하시겠습니까?"},
    {1044, "참고: Vantor 마우스가 다른 시스템에 Bluetooth 모드로 페어링되어 있는 경우, Bluetooth 모드에서 작동하려면 페어링을 해제한 후 다시 페어링해야 합니다."},
    {1055, "Veloxa 모드에서 구성한 온보드 설정이 이제 Bluetooth 모드에서도 작동합니다"},
};
// clang-format on

} // namespace

extern const StringTable kKorean{0x0412, kEntries};

} // namespace devio::app::strings
