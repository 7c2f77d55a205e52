// The tool's texts in Polish, language id 0x0415.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Narzędzie aktualizacji Varkon %%DFU_PRODUCT_NAME%% v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Ta aplikacja zainstaluje krytyczną aktualizację oprogramowania sprzętowego (v%%DFU_PACKAGE_VERSION%%) w urządzeniu %%DFU_PRODUCT_NAME%%"},
    {1026, "Informacje o wersji"},
    {1027, "Naprawiono sporadyczne problemy z przewijaniem występujące w niektórych urządzeniach %%DFU_PRODUCT_NAME%%"},
    {1028, "Naprawiono sporadyczne problemy z połączeniem Bluetooth występujące w niektórych urządzeniach %%DFU_PRODUCT_NAME%%"},
    {1029, "Podczas aktualizacji urządzenie %%DFU_PRODUCT_NAME%% nie będzie działać. Zaczekaj na zakończenie aktualizacji."},
    {1030, "Trwa aktualizacja oprogramowania sprzętowego. Nie odłączaj urządzenia %%DFU_PRODUCT_NAME%%"},
    {1031, "Oprogramowanie sprzętowe zostało pomyślnie zaktualizowane"},
    {1032, "Zamknij"},
    {1033, "Rozpocznij"},
    {1034, "Podczas aktualizacji oprogramowania sprzętowego wystąpił błąd. Skontaktuj się z działem obsługi klienta firmy Varkon: https://support.varkon.example/vantor"},
    {1035, "Podłącz odbiornik dołączony do urządzenia bezpośrednio do portu USB i połącz urządzenie z odbiornikiem."},
    {1036, "Upewnij się, że urządzenie jest połączone przez odbiornik, a NIE przez Bluetooth.\nWyłącz urządzenie, a następnie włącz je ponownie."},
    {1037, "Nie można kontynuować aktualizacji oprogramowania sprzętowego, ponieważ baterie urządzenia są prawie rozładowane... Wymień lub naładuj baterie i spróbuj ponownie..."},
    {1038, "Urządzenie ma już oprogramowanie sprzętowe v%%DFU_PACKAGE_VERSION%% lub nowsze. Aktualizacja nie jest potrzebna."},
    {1039, "Aktualizacja oprogramowania sprzętowego nie powiodła się. Zaczekaj 10 sekund, aż aplikacja ponowi próbę."},
    {1040, "Trwa przygotowywanie aktualizacji oprogramowania sprzętowego myszy, czekaj..."},
    {1041, "Kliknij przycisk „Rozpocznij”, aby rozpocząć aktualizację oprogramowania sprzętowego"},
    {1042, "Wyłącz urządzenie %%DFU_PRODUCT_NAME%%, a następnie włącz je ponownie."},
    {1043, "Aktualizacja oprogramowania sprzętowego usunie niestandardowy profil wbudowany, jeśli taki istnieje, i przywróci profil domyślny. Konieczne będzie ponowne zaprogramowanie niestandardowego profilu wbudowanego.\r\n\r\nCzy chcesz kontynuować?"},
    {1044, "Uwaga: jeśli mysz Vantor jest sparowana w trybie Bluetooth z innym systemem, należy usunąć parowanie i sparować ją ponownie, aby działała w trybie Bluetooth."},
    {1055, "Ustawienia wbudowane skonfigurowane w trybie Veloxa działają teraz w trybie Bluetooth"},
};
// clang-format on

} // namespace

extern const StringTable kPolish{0x0415, kEntries};

} // namespace devio::app::strings
