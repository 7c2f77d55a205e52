// The tool's texts in Czech, language id 0x0405.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Nástroj pro aktualizaci Varkon %%DFU_PRODUCT_NAME%% v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Tato aplikace nainstaluje do zařízení %%DFU_PRODUCT_NAME%% kritickou aktualizaci firmwaru (v%%DFU_PACKAGE_VERSION%%)"},
    {1026, "Poznámky k verzi"},
    {1027, "Oprava občasných problémů s posouváním, ke kterým docházelo u některých zařízení %%DFU_PRODUCT_NAME%%"},
    {1028, "Oprava občasných problémů s připojením Bluetooth, ke kterým docházelo u některých zařízení %%DFU_PRODUCT_NAME%%"},
    {1029, "Během aktualizace nebude zařízení %%DFU_PRODUCT_NAME%% fungovat. Počkejte prosím, dokud se aktualizace nedokončí."},
    {1030, "Probíhá aktualizace firmwaru. Neodpojujte zařízení %%DFU_PRODUCT_NAME%%"},
    {1031, "Firmware byl úspěšně aktualizován"},
    {1032, "Zavřít"},
    {1033, "Spustit"},
    {1034, "Při aktualizaci firmwaru došlo k chybě. Obraťte se na zákaznickou podporu společnosti Varkon: https://support.varkon.example/vantor"},
    {1035, "Připojte přijímač dodaný se zařízením přímo do portu USB a spojte zařízení s přijímačem."},
    {1036, "Ujistěte se, že je zařízení připojeno přes přijímač, a NE přes Bluetooth.\nVypněte zařízení a znovu ho zapněte."},
    {1037, "Aktualizaci firmwaru nelze provést, protože baterie zařízení jsou téměř vybité... Vyměňte nebo nabijte baterie a zkuste to znovu..."},
    {1038, "Zařízení již má firmware v%%DFU_PACKAGE_VERSION%% nebo novější. Aktualizace není potřeba."},
    {1039, "Aktualizace firmwaru se nezdařila. Počkejte prosím 10 sekund, aplikace to zkusí znovu."},
    {1040, "Připravuje se aktualizace firmwaru myši, čekejte prosím..."},
    {1041, "Aktualizaci firmwaru zahájíte kliknutím na tlačítko „Spustit“"},
    {1042, "Vypněte zařízení %%DFU_PRODUCT_NAME%% a znovu ho zapněte."},
    {1043, "Aktualizace firmwaru vymaže vlastní integrovaný profil, pokud jste nějaký vytvořili, a obnoví výchozí profil. Vlastní integrovaný profil bude nutné znovu naprogramovat.\r\n\r\nChcete pokračovat?"},
    {1044, "Poznámka: Pokud je vaše myš Vantor spárována v režimu Bluetooth s jiným systémem, je nutné spárování zrušit a myš znovu spárovat, aby v režimu Bluetooth fungovala."},
    {1055, "Integrovaná nastavení nakonfigurovaná v režimu Veloxa nyní fungují i v režimu Bluetooth"},
};
// clang-format on

} // namespace

extern const StringTable kCzech{0x0405, kEntries};

} // namespace devio::app::strings
