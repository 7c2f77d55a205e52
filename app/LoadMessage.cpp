#include "app/LoadMessage.h"

#include <optional>
#include <string_view>

#include "app/LanguageId.h"
#include "app/ProductSettings.h"
#include "app/strings/StringTables.h"

namespace devio::app {

namespace {

// U.S. English; the English table is stored language-neutral (0x0009), which this finds.
constexpr uint16_t kFallbackLanguageId = 0x0409;
constexpr uint16_t kPrimaryLanguageMask = 0x03FF;

const strings::StringTable* FindTable(uint16_t languageId) {
    auto tables = strings::AllStringTables();
    for (const strings::StringTable* table : tables) {
        if (table->languageId == languageId) {
            return table;
        }
    }
    uint16_t neutral = languageId & kPrimaryLanguageMask;
    for (const strings::StringTable* table : tables) {
        if (table->languageId == neutral) {
            return table;
        }
    }
    return nullptr;
}

std::optional<std::string_view> FindString(uint16_t languageId, uint32_t id) {
    if (const strings::StringTable* table = FindTable(languageId)) {
        for (const strings::StringEntry& entry : table->entries) {
            if (entry.id == id) {
                return entry.text;
            }
        }
    }
    return std::nullopt;
}

void ReplaceAll(std::string& text, std::string_view key, std::string_view value) {
    for (size_t at = text.find(key); at != std::string::npos;
         at = text.find(key, at + value.size())) {
        text.replace(at, key.size(), value);
    }
}

} // namespace

std::string LoadMessage(uint32_t id) {
    return LoadMessage(id, ThreadLanguageId());
}

std::string LoadMessage(uint32_t id, uint16_t languageId) {
    std::optional<std::string_view> found = FindString(languageId, id);
    if (!found) {
        found = FindString(kFallbackLanguageId, id);
    }
    if (!found) {
        return {};
    }
    std::string text(*found);
    ReplaceAll(text, kProductNamePlaceholder, kProductName);
    ReplaceAll(text, kPackageVersionPlaceholder, kPackageVersion);
    return text;
}

} // namespace devio::app
