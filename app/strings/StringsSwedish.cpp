// The tool's texts in Swedish, language id 0x041D.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% uppdateringsverktyg v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Det här programmet installerar en kritisk firmwareuppdatering (v%%DFU_PACKAGE_VERSION%%) på din %%DFU_PRODUCT_NAME%%"},
    {1026, "Versionsinformation"},
    {1027, "Åtgärdar tillfälliga problem med rullning på vissa %%DFU_PRODUCT_NAME%%"},
    {1028, "Åtgärdar tillfälliga problem med Bluetooth-anslutningen på vissa %%DFU_PRODUCT_NAME%%"},
    {1029, "Medan din %%DFU_PRODUCT_NAME%% uppdateras fungerar den inte. Vänta tills uppdateringen är klar."},
    {1030, "Firmware uppdateras. Koppla inte från din %%DFU_PRODUCT_NAME%%"},
    {1031, "Firmware har uppdaterats"},
    {1032, "Stäng"},
    {1033, "Starta"},
    {1034, "Ett fel uppstod när firmware uppdaterades. Kontakta Varkons kundsupport: https://support.varkon.example/vantor"},
    {1035, "Anslut mottagaren som medföljde enheten direkt till en USB-port och anslut enheten till mottagaren."},
    {1036, "Kontrollera att enheten är ansluten via mottagaren och INTE via Bluetooth.\nStäng AV enheten och slå sedan PÅ den igen."},
    {1037, "Firmwareuppdateringen kan inte fortsätta eftersom enhetens batterier är nästan slut... Byt ut eller ladda batterierna och försök igen..."},
    {1038, "Enheten har redan firmware v%%DFU_PACKAGE_VERSION%% eller senare. Ingen uppdatering behövs."},
    {1039, "Firmwareuppdateringen misslyckades. Vänta 10 sekunder så försöker programmet igen."},
    {1040, "Förbereder firmwareuppdatering av musen, vänta..."},
    {1041, "Klicka på 'Starta' för att påbörja firmwareuppdateringen"},
    {1042, "Stäng AV din %%DFU_PRODUCT_NAME%% och slå sedan PÅ den igen."},
    {1043, "Firmwareuppdateringen raderar en eventuell anpassad inbyggd profil och återgår till standardprofilen. Du måste programmera om din anpassade inbyggda profil.\r\n\r\nVill du fortsätta?"},
    {1044, "Obs! Om din Vantor-mus är parkopplad i Bluetooth-läge med ett annat system måste parkopplingen tas bort och göras om för att musen ska fungera i Bluetooth-läge."},
    {1055, "Inbyggda inställningar som konfigurerats i Veloxa-läge fungerar nu i Bluetooth-läge"},
};
// clang-format on

} // namespace

extern const StringTable kSwedish{0x041D, kEntries};

} // namespace devio::app::strings
