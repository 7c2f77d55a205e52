// The tool's string tables, one per language, each in a data file of its own.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace devio::app::strings {

struct StringEntry {
    uint32_t id;
    std::string_view text; // UTF-8, with the product-name and version placeholders
};

struct StringTable {
    uint16_t languageId; // Windows language id: primary language in the low 10 bits
    std::span<const StringEntry> entries;
};

// Every table, the language-neutral English one first.
std::span<const StringTable* const> AllStringTables();

extern const StringTable kEnglish;
extern const StringTable kChineseTraditional;
extern const StringTable kCzech;
extern const StringTable kDanish;
extern const StringTable kGerman;
extern const StringTable kFinnish;
extern const StringTable kFrench;
extern const StringTable kHungarian;
extern const StringTable kItalian;
extern const StringTable kJapanese;
extern const StringTable kKorean;
extern const StringTable kDutch;
extern const StringTable kNorwegian;
extern const StringTable kPolish;
extern const StringTable kRussian;
extern const StringTable kSwedish;
extern const StringTable kTurkish;
extern const StringTable kChineseSimplified;
extern const StringTable kPortuguese;
extern const StringTable kSpanish;

} // namespace devio::app::strings
