// The tool's texts in German, language id 0x0407.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% Update-Tool v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Diese Anwendung installiert ein kritisches Firmware-Update (v%%DFU_PACKAGE_VERSION%%) auf Ihrer %%DFU_PRODUCT_NAME%%"},
    {1026, "Versionshinweise"},
    {1027, "Behebt zeitweise auftretende Scroll-Probleme bei einigen %%DFU_PRODUCT_NAME%%"},
    {1028, "Behebt zeitweise auftretende Probleme mit der Bluetooth-Verbindung bei einigen %%DFU_PRODUCT_NAME%%"},
    {1029, "Während Ihre %%DFU_PRODUCT_NAME%% aktualisiert wird, ist sie nicht funktionsfähig. Bitte warten Sie, bis das Update abgeschlossen ist."},
    {1030, "Firmware wird aktualisiert. Trennen Sie Ihre %%DFU_PRODUCT_NAME%% nicht"},
    {1031, "Die Firmware wurde erfolgreich aktualisiert"},
    {1032, "Schließen"},
    {1033, "Starten"},
    {1034, "Beim Aktualisieren der Firmware ist ein Fehler aufgetreten. Bitte wenden Sie sich an den Varkon-Kundendienst: https://support.varkon.example/vantor"},
    {1035, "Bitte stecken Sie den mit Ihrem Gerät gelieferten Empfänger direkt in einen USB-Anschluss und verbinden Sie Ihr Gerät mit dem Empfänger."},
    {1036, "Bitte stellen Sie sicher, dass Ihr Gerät über den Empfänger und NICHT über Bluetooth verbunden ist.\nSchalten Sie Ihr Gerät AUS und wieder EIN."},
    {1037, "Das Firmware-Update kann nicht fortgesetzt werden, da die Batterien Ihres Geräts fast leer sind... Bitte ersetzen oder laden Sie die Batterien und versuchen Sie es erneut..."},
    {1038, "Ihr Gerät hat bereits die Firmware v%%DFU_PACKAGE_VERSION%% oder höher. Es ist kein Update erforderlich."},
    {1039, "Das Firmware-Update ist fehlgeschlagen. Bitte warten Sie 10 Sekunden, bis die Anwendung es erneut versucht."},
    {1040, "Das Firmware-Update der Maus wird vorbereitet, bitte warten..."},
    {1041, "Klicken Sie auf „Starten“, um das Firmware-Update zu beginnen"},
    {1042, "Bitte schalten Sie Ihre %%DFU_PRODUCT_NAME%% AUS und wieder EIN."},
    {1043, "Das Firmware-Update löscht ein eventuell vorhandenes eigenes Onboard-Profil und stellt das Standardprofil wieder her. Sie müssen Ihr eigenes Onboard-Profil anschließend neu programmieren.\r\n\r\nMöchten Sie fortfahren?"},
    {1044, "Hinweis: Wenn Ihre Vantor-Maus auf einem anderen System im Bluetooth-Modus gekoppelt ist, muss die Kopplung aufgehoben und neu hergestellt werden, damit sie im Bluetooth-Modus funktioniert."},
    {1055, "Im Veloxa-Modus konfigurierte Onboard-Einstellungen funktionieren jetzt auch im Bluetooth-Modus"},
};
// clang-format on

} // namespace

extern const StringTable kGerman{0x0407, kEntries};

} // namespace devio::app::strings
