#include "app/ProductSettings.h"

namespace devio::app {

std::string BuildRegistryKeyPath() {
    return "Software\\Varkon\\Vantor Firmware Update v" + std::to_string(kRegistryKeyBuild);
}

} // namespace devio::app
