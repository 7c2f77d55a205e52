#include "Source/Features/Feature1B03SpecialKeys.h"

#include "Source/Rap/FeatureRegistration.h"

DEVIO_FEATURE_MODULE(Feature1B03SpecialKeys, 1B03)
