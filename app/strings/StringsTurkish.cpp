// The tool's texts in Turkish, language id 0x041F.
#include "app/strings/StringTables.h"

namespace devio::app::strings {

namespace {

// clang-format off
constexpr StringEntry kEntries[] = {
    {1024, "Varkon %%DFU_PRODUCT_NAME%% Güncelleme Aracı v%%DFU_PACKAGE_VERSION%%"},
    {1025, "Bu uygulama, %%DFU_PRODUCT_NAME%% cihazınıza kritik bir ürün yazılımı güncellemesi (v%%DFU_PACKAGE_VERSION%%) uygulayacak"},
    {1026, "Sürüm Notları"},
    {1027, "Bazı %%DFU_PRODUCT_NAME%% cihazlarında yaşanan aralıklı kaydırma sorunları giderildi"},
    {1028, "Bazı %%DFU_PRODUCT_NAME%% cihazlarında yaşanan aralıklı Bluetooth bağlantı sorunları giderildi"},
    {1029, "%%DFU_PRODUCT_NAME%% cihazınız güncellenirken çalışmayacaktır. Lütfen güncelleme tamamlanana kadar bekleyin."},
    {1030, "Ürün yazılımı güncelleniyor. %%DFU_PRODUCT_NAME%% cihazınızın bağlantısını kesmeyin"},
    {1031, "Ürün yazılımını başarıyla güncellediniz"},
    {1032, "Kapat"},
    {1033, "Başlat"},
    {1034, "Ürün yazılımı güncellenirken bir hata oluştu. Lütfen Varkon müşteri desteğine başvurun: https://support.varkon.example/vantor"},
    {1035, "Lütfen cihazınızla birlikte gelen alıcıyı doğrudan bir USB bağlantı noktasına takın ve cihazınızı alıcıya bağlayın."},
    {1036, "Lütfen cihazınızın Bluetooth ile DEĞİL, alıcı üzerinden bağlı olduğundan emin olun.\nCihazınızı KAPATIP yeniden AÇIN."},
    {1037, "Cihazınızın pilleri çok zayıf olduğu için ürün yazılımı güncellemesine devam edilemiyor... Lütfen pilleri değiştirin veya şarj edin ve yeniden deneyin..."},
    {1038, "Cihazınızda zaten v%%DFU_PACKAGE_VERSION%% veya daha yeni bir ürün yazılımı var. Güncelleme gerekmiyor."},
    {1039, "Ürün yazılımı güncellemesi başarısız oldu. Uygulamanın yeniden denemesi için lütfen 10 saniye bekleyin."},
    {1040, "Fare ürün yazılımı güncellemesi hazırlanıyor, lütfen bekleyin..."},
    {1041, "Ürün yazılımı güncellemesini başlatmak için 'Başlat' düğmesine tıklayın"},
    {1042, "Lütfen %%DFU_PRODUCT_NAME%% cihazınızı KAPATIP yeniden AÇIN."},
    {1043, "Ürün yazılımı güncellemesi, sahip olabileceğiniz özel yerleşik profili silecek ve varsayılan profile geri dönecektir. Özel yerleşik profilinizi yeniden programlamanız gerekecektir.\r\n\r\nDevam etmek istiyor musunuz?"},
    {1044, "Not: Vantor fareniz başka bir sistemde Bluetooth modunda eşleştirilmişse, Bluetooth modunda çalışması için eşleştirmeyi kaldırıp yeniden eşleştirmeniz gerekir."},
    {1055, "Veloxa modunda yapılandırılan yerleşik ayarlar artık Bluetooth modunda da çalışıyor"},
};
// clang-format on

} // namespace

extern const StringTable kTurkish{0x041F, kEntries};

} // namespace devio::app::strings
