// The tool's texts in Finnish, language id 0x040B.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% -päivitystyökalu v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Tämä sovellus asentaa kriittisen laiteohjelmistopäivityksen (v%%DFU_PACKAGE_VERSION%%) laitteeseesi %%DFU_PRODUCT_NAME%%"},
    {1026, "Julkaisutiedot"},
    {1027, "Korjaa joissakin %%DFU_PRODUCT_NAME%% -laitteissa esiintyneet ajoittaiset vieritysongelmat"},
    {1028, "Korjaa joissakin %%DFU_PRODUCT_NAME%% -laitteissa esiintyneet ajoittaiset Bluetooth-yhteysongelmat"},
    {1029, "Laite %%DFU_PRODUCT_NAME%% ei toimi päivityksen aikana. Odota, kunnes päivitys on valmis."},
    {1030, "Laiteohjelmistoa päivitetään. Älä irrota laitetta %%DFU_PRODUCT_NAME%%"},
    {1031, "Laiteohjelmisto on päivitetty onnistuneesti"},
    {1032, "Sulje"},
    {1033, "Aloita"},
    {1034, "Laiteohjelmiston päivityksessä tapahtui virhe. Ota yhteyttä Varkonin asiakastukeen: https://support.varkon.example/vantor"},
    {1035, "Liitä laitteen mukana toimitettu vastaanotin suoraan USB-porttiin ja yhdistä laite vastaanottimeen."},
    {1036, "Varmista, että laite on yhdistetty vastaanottimen kautta EIKÄ Bluetoothin kautta.\nKytke laite POIS PÄÄLTÄ ja sitten takaisin PÄÄLLE."},
    {1037, "Laiteohjelmiston päivitystä ei voi jatkaa, koska laitteen paristot ovat lähes tyhjät... Vaihda tai lataa paristot ja yritä uudelleen..."},
    {1038, "Laitteessasi on jo laiteohjelmisto v%%DFU_PACKAGE_VERSION%% tai uudempi. Päivitystä ei tarvita."},
    {1039, "Laiteohjelmiston päivitys epäonnistui. Odota 10 sekuntia, niin sovellus yrittää uudelleen."},
    {1040, "Valmistellaan hiiren laiteohjelmiston päivitystä, odota..."},
    {1041, "Aloita laiteohjelmiston päivitys napsauttamalla Aloita-painiketta"},
    {1042, "Kytke laite %%DFU_PRODUCT_NAME%% POIS PÄÄLTÄ ja sitten takaisin PÄÄLLE."},
    {1043, "Laiteohjelmiston päivitys poistaa mahdollisen mukautetun sisäisen profiilin ja palauttaa oletusprofiilin. Mukautettu sisäinen profiili on ohjelmoitava uudelleen.\r\n\r\nHaluatko jatkaa?"},
    {1044, "Huomautus: jos Vantor-hiiresi on muodostettu pariksi Bluetooth-tilassa toisessa järjestelmässä, pariliitos on poistettava ja muodostettava uudelleen, jotta hiiri toimii Bluetooth-tilassa."},
    {1055, "Veloxa-tilassa määritetyt sisäiset asetukset toimivat nyt Bluetooth-tilassa"},
};
// clang-format on

} // namespace

extern const StringTable kFinnish{0x040B, kEntries};

} // namespace devio::app::strings
