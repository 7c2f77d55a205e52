// What a virtual HID collection is, as the system describes it: its interface path, device
// instance and parent instance, its attributes, its top-level usage, its report lengths and
// capabilities, and its product string.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/RapReport.h"

namespace devio::sim {

struct HidReportCapability {
    Byte report_id = 0;
    bool button = false; // a button capability; otherwise a value capability
};

struct HidCollectionDescription {
    std::string path;            // the interface path (identity of the collection)
    std::string instance;        // device instance ID of the collection's device node
    std::string parent_instance; // device instance ID of the parent node
    uint16_t vendor_id = 0;
    uint16_t product_id = 0;
    uint16_t version = 0;
    uint16_t usage_page = 0;
    uint16_t usage = 0;
    uint16_t input_length = 0; // report id included
    uint16_t output_length = 0;
    uint16_t feature_length = 0;
    std::vector<HidReportCapability> inputs;
    std::vector<HidReportCapability> outputs;
    std::string product;
};

// A collection with one input and one output value capability of `report_id`, both reports
// `length` bytes long, as collection `number` (1-based) of the device at `location`. Its path,
// instance and parent instance are those the system gives such a collection; every collection of
// one device (one vendor, product and location) has the same parent.
HidCollectionDescription vendor_collection(uint16_t vendor_id, uint16_t product_id,
                                           uint16_t usage_page, uint16_t usage, Byte report_id,
                                           uint16_t length, unsigned location, unsigned number);

} // namespace devio::sim
