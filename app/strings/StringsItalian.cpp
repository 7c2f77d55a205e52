// The tool's texts in Italian, language id 0x0410.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Strumento di aggiornamento Varkon %%DFU_PRODUCT_NAME%% v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Questa applicazione installerà un aggiornamento critico del firmware (v%%DFU_PACKAGE_VERSION%%) sul tuo %%DFU_PRODUCT_NAME%%"},
    {1026, "Note sulla versione"},
    {1027, "Risolti problemi intermittenti di scorrimento riscontrati su alcuni %%DFU_PRODUCT_NAME%%"},
    {1028, "Risolti problemi intermittenti di connessione Bluetooth riscontrati su alcuni %%DFU_PRODUCT_NAME%%"},
    {1029, "Durante l'aggiornamento il tuo %%DFU_PRODUCT_NAME%% non funzionerà. Attendi il completamento dell'aggiornamento."},
    {1030, "Aggiornamento del firmware in corso. Non scollegare il tuo %%DFU_PRODUCT_NAME%%"},
    {1031, "Il firmware è stato aggiornato correttamente"},
    {1032, "Chiudi"},
    {1033, "Avvia"},
    {1034, "Si è verificato un errore durante l'aggiornamento del firmware. Contatta l'assistenza clienti Varkon: https://support.varkon.example/vantor"},
    {1035, "Collega il ricevitore fornito con il dispositivo direttamente a una porta USB e connetti il dispositivo al ricevitore."},
    {1036, "Assicurati che il dispositivo sia connesso tramite il ricevitore e NON tramite Bluetooth.\nSpegni il dispositivo e poi riaccendilo."},
    {1037, "Impossibile procedere con l'aggiornamento del firmware perché le batterie del dispositivo sono quasi scariche... Sostituisci o ricarica le batterie e riprova..."},
    {1038, "Il dispositivo ha già il firmware v%%DFU_PACKAGE_VERSION%% o successivo. Non è necessario alcun aggiornamento."},
    {1039, "Aggiornamento del firmware non riuscito. Attendi 10 secondi: l'applicazione riproverà."},
    {1040, "Preparazione dell'aggiornamento del firmware del mouse in corso, attendere..."},
    {1041, "Fai clic su \"Avvia\" per iniziare l'aggiornamento del firmware"},
    {1042, "Spegni il tuo %%DFU_PRODUCT_NAME%% e poi riaccendilo."},
    {1043, "L'aggiornamento del firmware cancellerà l'eventuale profilo integrato personalizzato e ripristinerà il profilo predefinito. Dovrai programmare di nuovo il tuo profilo integrato personalizzato.\r\n\r\nVuoi continuare?"},
    {1044, "Nota: se il tuo mouse Vantor è associato in modalità Bluetooth a un altro sistema, devi rimuovere l'associazione e associarlo di nuovo perché funzioni in modalità Bluetooth."},
    {1055, "Le impostazioni integrate configurate in modalità Veloxa ora funzionano in modalità Bluetooth"},
};
// clang-format on

} // namespace

extern const StringTable kItalian{0x0410, kEntries};

} // namespace devio::app::strings
