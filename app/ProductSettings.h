// The product settings every text and registry access of the tool uses: the product name and
// package version with their placeholders in the string tables, and the tool's registry key.
#pragma once

#include <string>
#include <string_view>

namespace devio::app {

// The keys in the string tables that LoadMessage replaces by the name and version below.
inline constexpr std::string_view kProductNamePlaceholder = "%%DFU_PRODUCT_NAME%%";
inline constexpr std::string_view kPackageVersionPlaceholder = "%%DFU_PACKAGE_VERSION%%";
inline constexpr std::string_view kProductName = "Vantor Veloxa Wireless Gaming Mouse";
inline constexpr std::string_view kPackageVersion = "8.6.28";

// The build number of the package, which also names the tool's registry key.
inline constexpr int kRegistryKeyBuild = 28;

// "Software\Varkon\Vantor Firmware Update v28" (below the per-user root).
std::string BuildRegistryKeyPath();

} // namespace devio::app
