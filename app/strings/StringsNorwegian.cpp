// The tool's texts in Norwegian (Bokmål), language id 0x0414.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% oppdateringsverktøy v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Dette programmet installerer en kritisk fastvareoppdatering (v%%DFU_PACKAGE_VERSION%%) på din %%DFU_PRODUCT_NAME%%"},
    {1026, "Versjonsmerknader"},
    {1027, "Retter periodiske problemer med rulling på enkelte %%DFU_PRODUCT_NAME%%"},
    {1028, "Retter periodiske problemer med Bluetooth-tilkoblingen på enkelte %%DFU_PRODUCT_NAME%%"},
    {1029, "Mens %%DFU_PRODUCT_NAME%% oppdateres, fungerer den ikke. Vent til oppdateringen er fullført."},
    {1030, "Oppdaterer fastvaren. Ikke koble fra %%DFU_PRODUCT_NAME%%"},
    {1031, "Fastvaren er oppdatert"},
    {1032, "Lukk"},
    {1033, "Start"},
    {1034, "Det oppstod en feil under oppdateringen av fastvaren. Kontakt Varkons kundestøtte: https://support.varkon.example/vantor"},
    {1035, "Koble mottakeren som fulgte med enheten, direkte til en USB-port, og koble enheten til mottakeren."},
    {1036, "Kontroller at enheten er koblet til via mottakeren og IKKE via Bluetooth.\nSlå enheten AV og deretter PÅ igjen."},
    {1037, "Fastvareoppdateringen kan ikke fortsette fordi batteriene i enheten er svært svake... Bytt eller lad batteriene, og prøv igjen..."},
    {1038, "Enheten har allerede fastvare v%%DFU_PACKAGE_VERSION%% eller nyere. Ingen oppdatering er nødvendig."},
    {1039, "Fastvareoppdateringen mislyktes. Vent 10 sekunder, så prøver programmet på nytt."},
    {1040, "Forbereder fastvareoppdatering av musen, vent litt..."},
    {1041, "Klikk på «Start» for å begynne fastvareoppdateringen"},
    {1042, "Slå %%DFU_PRODUCT_NAME%% AV og deretter PÅ igjen."},
    {1043, "Fastvareoppdateringen sletter en eventuell egendefinert innebygd profil og går tilbake til standardprofilen. Du må programmere den egendefinerte innebygde profilen på nytt.\r\n\r\nVil du fortsette?"},
    {1044, "Merk: Hvis Vantor-musen er paret i Bluetooth-modus på et annet system, må paringen fjernes og musen pares på nytt for at den skal fungere i Bluetooth-modus."},
    {1055, "Innebygde innstillinger som er konfigurert i Veloxa-modus, fungerer nå i Bluetooth-modus"},
};
// clang-format on

} // namespace

extern const StringTable kNorwegian{0x0414, kEntries};

} // namespace devio::app::strings
