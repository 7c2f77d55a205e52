#include "app/strings/StringTables.h"

namespace devio::app::strings {

std::span<const StringTable* const> AllStringTables() {
    static const StringTable* const kTables[] = {
        &kEnglish,    &kChineseTraditional,
        &kCzech,      &kDanish,
        &kGerman,     &kFinnish,
        &kFrench,     &kHungarian,
        &kItalian,    &kJapanese,
        &kKorean,     &kDutch,
        &kNorwegian,  &kPolish,
        &kRussian,    &kSwedish,
        &kTurkish,    &kChineseSimplified,
        &kPortuguese, &kSpanish,
    };
    return kTables;
}

} // namespace devio::app::strings
