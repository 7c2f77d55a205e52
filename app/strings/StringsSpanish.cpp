// The tool's texts in Spanish (modern sort), language id 0x0C0A.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Herramienta de actualización de Varkon %%DFU_PRODUCT_NAME%% v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Esta aplicación instalará una actualización crítica del firmware (v%%DFU_PACKAGE_VERSION%%) en su %%DFU_PRODUCT_NAME%%"},
    {1026, "Notas de la versión"},
    {1027, "Corrección de problemas intermitentes de desplazamiento detectados en algunos %%DFU_PRODUCT_NAME%%"},
    {1028, "Corrección de problemas intermitentes de conexión Bluetooth detectados en algunos %%DFU_PRODUCT_NAME%%"},
    {1029, "Mientras se actualiza, su %%DFU_PRODUCT_NAME%% no funcionará. Espere hasta que la actualización haya finalizado."},
    {1030, "Actualizando el firmware. No desconecte su %%DFU_PRODUCT_NAME%%"},
    {1031, "El firmware se ha actualizado correctamente"},
    {1032, "Cerrar"},
    {1033, "Iniciar"},
    {1034, "Se ha producido un error al actualizar el firmware. Póngase en contacto con el servicio de atención al cliente de Varkon: https://support.varkon.example/vantor"},
    {1035, "Conecte el receptor suministrado con su dispositivo directamente a un puerto USB y conecte el dispositivo con el receptor."},
    {1036, "Asegúrese de que su dispositivo está conectado con el receptor y NO mediante Bluetooth.\nApague el dispositivo y vuelva a encenderlo."},
    {1037, "La actualización del firmware no puede continuar porque las pilas del dispositivo están casi agotadas... Sustituya o recargue las pilas e inténtelo de nuevo..."},
    {1038, "Su dispositivo ya tiene el firmware v%%DFU_PACKAGE_VERSION%% o posterior. No es necesario actualizarlo."},
    {1039, "Error al actualizar el firmware. Espere 10 segundos para que la aplicación vuelva a intentarlo."},
    {1040, "Preparando la actualización del firmware del ratón, espere..."},
    {1041, "Haga clic en «Iniciar» para comenzar la actualización del firmware"},
    {1042, "Apague su %%DFU_PRODUCT_NAME%% y vuelva a encenderlo."},
    {1043, "La actualización del firmware borrará el perfil integrado personalizado que pueda tener y restablecerá el perfil predeterminado. Tendrá que volver a programar su perfil integrado personalizado.\r\n\r\n¿Desea continuar?"},
    {1044, "Nota: si su ratón Vantor está emparejado en modo Bluetooth con otro sistema, deberá desemparejarlo y volver a emparejarlo para que funcione en modo Bluetooth."},
    {1055, "La configuración integrada establecida en modo Veloxa ahora funciona en modo Bluetooth"},
};
// clang-format on

} // namespace

extern const StringTable kSpanish{0x0C0A, kEntries};

} // namespace devio::app::strings
