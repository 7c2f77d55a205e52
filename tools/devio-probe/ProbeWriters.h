// The two forms in which devio-probe prints a ProbeReport: plain text for people, and JSON (the
// same content) for scripts.
#pragma once

#include <string>

#include "tools/devio-probe/ProbeReport.h"

namespace devio::probe {

std::string write_text(const ProbeReport& report);
// Product IDs and feature numbers are numbers; the texts "0x40A1" and "0x0003" come with them
// for readers.
std::string write_json(const ProbeReport& report);

} // namespace devio::probe
