// The tool's texts in Portuguese (Portugal), language id 0x0816.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Ferramenta de atualização Varkon %%DFU_PRODUCT_NAME%% v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Esta aplicação irá instalar uma atualização crítica de firmware (v%%DFU_PACKAGE_VERSION%%) no seu %%DFU_PRODUCT_NAME%%"},
    {1026, "Notas de versão"},
    {1027, "Correção de problemas intermitentes de deslocamento verificados em alguns %%DFU_PRODUCT_NAME%%"},
    {1028, "Correção de problemas intermitentes de ligação Bluetooth verificados em alguns %%DFU_PRODUCT_NAME%%"},
    {1029, "Enquanto o seu %%DFU_PRODUCT_NAME%% estiver a ser atualizado, não irá funcionar. Aguarde até que a atualização esteja concluída."},
    {1030, "A atualizar o firmware. Não desligue o seu %%DFU_PRODUCT_NAME%%"},
    {1031, "O firmware foi atualizado com êxito"},
    {1032, "Fechar"},
    {1033, "Iniciar"},
    {1034, "Ocorreu um erro durante a atualização do firmware. Contacte o apoio ao cliente da Varkon: https://support.varkon.example/vantor"},
    {1035, "Ligue o recetor fornecido com o seu dispositivo diretamente a uma porta USB e ligue o dispositivo ao recetor."},
    {1036, "Certifique-se de que o seu dispositivo está ligado através do recetor e NÃO por Bluetooth.\nDesligue o dispositivo e volte a ligá-lo."},
    {1037, "Não é possível continuar a atualização do firmware porque as pilhas do dispositivo estão muito fracas... Substitua ou recarregue as pilhas e tente novamente..."},
    {1038, "O seu dispositivo já tem o firmware v%%DFU_PACKAGE_VERSION%% ou superior. Não é necessária nenhuma atualização."},
    {1039, "A atualização do firmware falhou. Aguarde 10 segundos até que a aplicação tente novamente."},
    {1040, "A preparar a atualização do firmware do rato, aguarde..."},
    {1041, "Clique em \"Iniciar\" para começar a atualização do firmware"},
    {1042, "Desligue o seu %%DFU_PRODUCT_NAME%% e volte a ligá-lo."},
    {1043, "A atualização do firmware irá apagar o perfil integrado personalizado que possa ter e repor o perfil predefinido. Terá de voltar a programar o seu perfil integrado personalizado.\r\n\r\nPretende continuar?"},
    {1044, "Nota: se o seu rato Vantor estiver emparelhado no modo Bluetooth noutro sistema, terá de o desemparelhar e emparelhar novamente para que funcione no modo Bluetooth."},
    {1055, "As definições integradas configuradas no modo Veloxa funcionam agora no modo Bluetooth"},
};
// clang-format on

} // namespace

extern const StringTable kPortuguese{0x0816, kEntries};

} // namespace devio::app::strings
