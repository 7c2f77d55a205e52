#include "app/LanguageId.h"

#include <cstdlib>

#include "app/AsciiCase.h"

namespace devio::app {

namespace {

struct LocaleLanguage {
    std::string_view language;
    std::string_view territory;
    uint16_t languageId;
};

// A language's main locale comes first among its entries: a bare language maps like it.
constexpr LocaleLanguage kLocales[] = {
    {"cs", "CZ", 0x0405}, {"da", "DK", 0x0406}, {"de", "DE", 0x0407}, {"en", "US", 0x0409},
    {"es", "ES", 0x0C0A}, {"fi", "FI", 0x040B}, {"fr", "FR", 0x040C}, {"hu", "HU", 0x040E},
    {"it", "IT", 0x0410}, {"ja", "JP", 0x0411}, {"ko", "KR", 0x0412}, {"nl", "NL", 0x0413},
    {"nb", "NO", 0x0414}, {"no", "NO", 0x0414}, {"pl", "PL", 0x0415}, {"pt", "PT", 0x0816},
    {"ru", "RU", 0x0419}, {"sv", "SE", 0x041D}, {"tr", "TR", 0x041F}, {"zh", "CN", 0x0804},
    {"zh", "TW", 0x0404},
};

std::string_view LocaleFromEnvironment() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (const char* value = std::getenv(name); value != nullptr && *value != '\0') {
            return value;
        }
    }
    return {};
}

} // namespace

uint16_t LanguageIdFromLocaleName(std::string_view locale) {
    locale = locale.substr(0, locale.find_first_of(".@"));
    size_t separator = locale.find_first_of("_-");
    std::string_view language = locale.substr(0, separator);
    std::string_view territory =
        separator == std::string_view::npos ? std::string_view() : locale.substr(separator + 1);
    for (const LocaleLanguage& entry : kLocales) {
        if (EqualsIgnoringAsciiCase(entry.language, language) &&
            (territory.empty() || EqualsIgnoringAsciiCase(entry.territory, territory))) {
            return entry.languageId;
        }
    }
    return 0;
}

uint16_t ThreadLanguageId() {
    return LanguageIdFromLocaleName(LocaleFromEnvironment());
}

} // namespace devio::app
