// The tool's texts in Dutch, language id 0x0413.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% updateprogramma v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Deze toepassing installeert een kritieke firmware-update (v%%DFU_PACKAGE_VERSION%%) op uw %%DFU_PRODUCT_NAME%%"},
    {1026, "Releaseopmerkingen"},
    {1027, "Oplossing voor af en toe optredende scrollproblemen bij sommige %%DFU_PRODUCT_NAME%%"},
    {1028, "Oplossing voor af en toe optredende problemen met de Bluetooth-verbinding bij sommige %%DFU_PRODUCT_NAME%%"},
    {1029, "Tijdens het bijwerken werkt uw %%DFU_PRODUCT_NAME%% niet. Wacht tot de update is voltooid."},
    {1030, "De firmware wordt bijgewerkt. Koppel uw %%DFU_PRODUCT_NAME%% niet los"},
    {1031, "De firmware is met succes bijgewerkt"},
    {1032, "Sluiten"},
    {1033, "Starten"},
    {1034, "Er is een fout opgetreden tijdens het bijwerken van de firmware. Neem contact op met de klantenservice van Varkon: https://support.varkon.example/vantor"},
    {1035, "Sluit de ontvanger die bij uw apparaat is geleverd rechtstreeks aan op een USB-poort en verbind uw apparaat met de ontvanger."},
    {1036, "Zorg ervoor dat uw apparaat via de ontvanger is verbonden en NIET via Bluetooth.\nZet uw apparaat UIT en weer AAN."},
    {1037, "De firmware-update kan niet doorgaan omdat de batterijen van uw apparaat bijna leeg zijn... Vervang of laad de batterijen op en probeer het opnieuw..."},
    {1038, "Uw apparaat heeft al firmware v%%DFU_PACKAGE_VERSION%% of hoger. Er is geen update nodig."},
    {1039, "De firmware-update is mislukt. Wacht 10 seconden tot de toepassing het opnieuw probeert."},
    {1040, "De firmware-update van de muis wordt voorbereid, even geduld..."},
    {1041, "Klik op 'Starten' om de firmware-update te beginnen"},
    {1042, "Zet uw %%DFU_PRODUCT_NAME%% UIT en weer AAN."},
    {1043, "De firmware-update wist het eventuele aangepaste ingebouwde profiel en zet het standaardprofiel terug. U moet uw aangepaste ingebouwde profiel daarna opnieuw programmeren.\r\n\r\nWilt u doorgaan?"},
    {1044, "Opmerking: als uw Vantor-muis in Bluetooth-modus aan een ander systeem is gekoppeld, moet u de koppeling opheffen en de muis opnieuw koppelen om hem in Bluetooth-modus te laten werken."},
    {1055, "Ingebouwde instellingen die in Veloxa-modus zijn geconfigureerd, werken nu ook in Bluetooth-modus"},
};
// clang-format on

} // namespace

extern const StringTable kDutch{0x0413, kEntries};

} // namespace devio::app::strings
