// The tool's texts in Hungarian, language id 0x040E.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% frissítőeszköz v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Ez az alkalmazás kritikus firmware-frissítést (v%%DFU_PACKAGE_VERSION%%) telepít a(z) %%DFU_PRODUCT_NAME%% eszközre"},
    {1026, "Kiadási megjegyzések"},
    {1027, "Javítja egyes %%DFU_PRODUCT_NAME%% eszközök időnként előforduló görgetési problémáit"},
    {1028, "Javítja egyes %%DFU_PRODUCT_NAME%% eszközök időnként előforduló Bluetooth-kapcsolati problémáit"},
    {1029, "A frissítés ideje alatt a(z) %%DFU_PRODUCT_NAME%% nem használható. Várjon, amíg a frissítés befejeződik."},
    {1030, "A firmware frissítése folyamatban. Ne válassza le a(z) %%DFU_PRODUCT_NAME%% eszközt"},
    {1031, "A firmware frissítése sikeresen befejeződött"},
    {1032, "Bezárás"},
    {1033, "Indítás"},
    {1034, "Hiba történt a firmware frissítése közben. Forduljon a Varkon ügyfélszolgálatához: https://support.varkon.example/vantor"},
    {1035, "Csatlakoztassa az eszközhöz kapott vevőegységet közvetlenül egy USB-porthoz, és csatlakoztassa az eszközt a vevőegységhez."},
    {1036, "Győződjön meg arról, hogy az eszköz a vevőegységen keresztül csatlakozik, és NEM Bluetooth-on keresztül.\nKapcsolja KI, majd újra BE az eszközt."},
    {1037, "A firmware frissítése nem folytatható, mert az eszköz elemei nagyon lemerültek... Cserélje ki vagy töltse fel az elemeket, majd próbálkozzon újra..."},
    {1038, "Az eszközön már v%%DFU_PACKAGE_VERSION%% vagy újabb firmware fut. Nincs szükség frissítésre."},
    {1039, "A firmware frissítése nem sikerült. Várjon 10 másodpercet, amíg az alkalmazás újra megpróbálja."},
    {1040, "Az egér firmware-frissítésének előkészítése, kérjük, várjon..."},
    {1041, "A firmware frissítésének megkezdéséhez kattintson az „Indítás” gombra"},
    {1042, "Kapcsolja KI, majd újra BE a(z) %%DFU_PRODUCT_NAME%% eszközt."},
    {1043, "A firmware frissítése törli az esetleges egyéni beépített profilt, és visszaállítja az alapértelmezett profilt. Az egyéni beépített profilt újra be kell majd programoznia.\r\n\r\nSzeretné folytatni?"},
    {1044, "Megjegyzés: ha a Vantor egér Bluetooth módban egy másik rendszerrel van párosítva, a párosítást meg kell szüntetni, majd újra el kell végezni, hogy Bluetooth módban működjön."},
    {1055, "A Veloxa módban konfigurált beépített beállítások mostantól Bluetooth módban is működnek"},
};
// clang-format on

} // namespace

extern const StringTable kHungarian{0x040E, kEntries};

} // namespace devio::app::strings
