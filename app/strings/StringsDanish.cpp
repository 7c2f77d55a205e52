// The tool's texts in Danish, language id 0x0406.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% opdateringsværktøj v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Dette program installerer en kritisk firmwareopdatering (v%%DFU_PACKAGE_VERSION%%) på din %%DFU_PRODUCT_NAME%%"},
    {1026, "Udgivelsesnoter"},
    {1027, "Retter periodiske problemer med rulning på nogle %%DFU_PRODUCT_NAME%%"},
    {1028, "Retter periodiske problemer med Bluetooth-forbindelsen på nogle %%DFU_PRODUCT_NAME%%"},
    {1029, "Mens din %%DFU_PRODUCT_NAME%% opdateres, virker den ikke. Vent, indtil opdateringen er fuldført."},
    {1030, "Opdaterer firmware. Frakobl ikke din %%DFU_PRODUCT_NAME%%"},
    {1031, "Firmwaren er blevet opdateret"},
    {1032, "Luk"},
    {1033, "Start"},
    {1034, "Der opstod en fejl under opdateringen af firmwaren. Kontakt Varkons kundesupport: https://support.varkon.example/vantor"},
    {1035, "Sæt den modtager, der fulgte med din enhed, direkte i en USB-port, og forbind din enhed med modtageren."},
    {1036, "Sørg for, at din enhed er forbundet via modtageren og IKKE via Bluetooth.\nSluk for din enhed, og tænd den igen."},
    {1037, "Firmwareopdateringen kan ikke fortsætte, da batterierne i din enhed er meget svage... Udskift eller genoplad batterierne, og prøv igen..."},
    {1038, "Din enhed har firmware v%%DFU_PACKAGE_VERSION%% eller nyere. Der er ikke brug for en opdatering."},
    {1039, "Firmwareopdateringen mislykkedes. Vent 10 sekunder, så prøver programmet igen."},
    {1040, "Forbereder firmwareopdatering af musen, vent venligst..."},
    {1041, "Klik på 'Start' for at starte firmwareopdateringen"},
    {1042, "Sluk for din %%DFU_PRODUCT_NAME%%, og tænd den igen."},
    {1043, "Firmwareopdateringen sletter en eventuel brugerdefineret indbygget profil og vender tilbage til standardprofilen. Du skal programmere din brugerdefinerede indbyggede profil igen.\r\n\r\nVil du fortsætte?"},
    {1044, "Bemærk: Hvis din Vantor-mus er parret i Bluetooth-tilstand på et andet system, skal parringen fjernes, og musen skal parres igen, for at den kan fungere i Bluetooth-tilstand."},
    {1055, "Indbyggede indstillinger, der er konfigureret i Veloxa-tilstand, virker nu i Bluetooth-tilstand"},
};
// clang-format on

} // namespace

extern const StringTable kDanish{0x0406, kEntries};

} // namespace devio::app::strings
