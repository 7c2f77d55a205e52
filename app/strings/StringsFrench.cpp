// The tool's texts in French, language id 0x040C.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Outil de mise à jour Varkon %%DFU_PRODUCT_NAME%% v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Cette application va installer une mise à jour critique du micrologiciel (v%%DFU_PACKAGE_VERSION%%) sur votre %%DFU_PRODUCT_NAME%%"},
    {1026, "Notes de version"},
    {1027, "Correction de problèmes de défilement intermittents rencontrés sur certaines %%DFU_PRODUCT_NAME%%"},
    {1028, "Correction de problèmes intermittents de connexion Bluetooth rencontrés sur certaines %%DFU_PRODUCT_NAME%%"},
    {1029, "Pendant la mise à jour, votre %%DFU_PRODUCT_NAME%% ne fonctionnera pas. Veuillez patienter jusqu'à la fin de la mise à jour."},
    {1030, "Mise à jour du micrologiciel en cours. Ne déconnectez pas votre %%DFU_PRODUCT_NAME%%"},
    {1031, "Le micrologiciel a été mis à jour avec succès"},
    {1032, "Fermer"},
    {1033, "Démarrer"},
    {1034, "Une erreur s'est produite lors de la mise à jour du micrologiciel. Veuillez contacter le service client de Varkon : https://support.varkon.example/vantor"},
    {1035, "Veuillez brancher le récepteur fourni avec votre périphérique directement sur un port USB, puis connecter votre périphérique au récepteur."},
    {1036, "Assurez-vous que votre périphérique est connecté au récepteur et NON via Bluetooth.\nÉteignez votre périphérique, puis rallumez-le."},
    {1037, "La mise à jour du micrologiciel ne peut pas continuer car les piles de votre périphérique sont presque vides... Veuillez remplacer ou recharger vos piles, puis réessayer..."},
    {1038, "Votre périphérique dispose déjà du micrologiciel v%%DFU_PACKAGE_VERSION%% ou d'une version plus récente. Aucune mise à jour n'est nécessaire."},
    {1039, "La mise à jour du micrologiciel a échoué. Veuillez patienter 10 secondes : l'application va réessayer."},
    {1040, "Préparation de la mise à jour du micrologiciel de la souris, veuillez patienter..."},
    {1041, "Cliquez sur « Démarrer » pour lancer la mise à jour du micrologiciel"},
    {1042, "Veuillez éteindre puis rallumer votre %%DFU_PRODUCT_NAME%%."},
    {1043, "La mise à jour du micrologiciel effacera le profil embarqué personnalisé que vous avez peut-être créé et rétablira le profil par défaut. Vous devrez reprogrammer votre profil embarqué personnalisé.\r\n\r\nVoulez-vous continuer ?"},
    {1044, "Remarque : si votre souris Vantor est associée en mode Bluetooth sur un autre système, vous devez la dissocier puis l'associer de nouveau pour qu'elle fonctionne en mode Bluetooth."},
    {1055, "Les paramètres embarqués configurés en mode Veloxa fonctionnent désormais en mode Bluetooth"},
};
// clang-format on

} // namespace

extern const StringTable kFrench{0x040C, kEntries};

} // namespace devio::app::strings
