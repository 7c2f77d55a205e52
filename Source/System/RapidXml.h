// The XML parser and printer of the project (rapidxml). Include it through this header: it silences
// the one false warning that rapidxml's inlined code raises under g++ optimisation, so that -Werror
// builds stay clean.
#pragma once

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
#include <rapidxml/rapidxml.hpp>
#include <rapidxml/rapidxml_print.hpp>
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
