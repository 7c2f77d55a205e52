// The tool's visible texts: a string of the tool's tables in the user's language, falling back to
// English, with the product name and package version put in.
#pragma once

#include <cstdint>
#include <string>

namespace devio::app {

// Text `id` (TextIds.h) in the language of ThreadLanguageId(); UTF-8. Empty when no table holds
// the id.
std::string LoadMessage(uint32_t id);

// Text `id` for the Windows language id `languageId`: the table of exactly that id, else the table
// of its primary language with the neutral sublanguage, else English.
std::string LoadMessage(uint32_t id, uint16_t languageId);

} // namespace devio::app
