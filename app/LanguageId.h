// The user's language as a Windows language id, the key of the tool's string tables.
//
// The locale comes from the first non-empty of LC_ALL, LC_MESSAGES and LANG, in the form
// language[_TERRITORY][.codeset][@modifier]. Each locale for which the tool has a table maps to
// that table's id; a bare language ("de") maps like the language's main locale ("de_DE"). Every
// other locale, "C" and "POSIX" included, maps to 0 (language neutral), which the lookup answers in
// English.
#pragma once

#include <cstdint>
#include <string_view>

namespace devio::app {

uint16_t LanguageIdFromLocaleName(std::string_view locale);
uint16_t ThreadLanguageId();

} // namespace devio::app
