#include "sim/HidCollectionSpec.h"

#include <cstdio>

namespace devio::sim {

HidCollectionSpec vendor_collection(uint16_t vendor_id, uint16_t product_id, uint16_t usage_page,
                                    uint16_t usage, Byte report_id, uint16_t length,
                                    unsigned location, unsigned number) {
    char text[160];
    HidCollectionSpec spec;
    std::snprintf(text, sizeof(text),
                  "\\\\?\\hid#vid_%04x&pid_%04x&mi_02&col%02u#8&%08x&0&%04u"
                  "#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  vendor_id, product_id, number, 0x2A10C000u + location, number - 1);
    spec.path = text;
    std::snprintf(text, sizeof(text), "HID\\VID_%04X&PID_%04X&MI_02&COL%02u\\8&%08X&0&%04u",
                  vendor_id, product_id, number, 0x2A10C000u + location, number - 1);
    spec.instance = text;
    std::snprintf(text, sizeof(text), "USB\\VID_%04X&PID_%04X&MI_02\\7&%08X&0&0002", vendor_id,
                  product_id, 0x1B20D000u + location);
    spec.parent_instance = text;
    spec.vendor_id = vendor_id;
    spec.product_id = product_id;
    spec.version = 0x1201;
    spec.usage_page = usage_page;
    spec.usage = usage;
    spec.input_length = length;
    spec.output_length = length;
    spec.inputs = {{report_id, false}};
    spec.outputs = {{report_id, false}};
    return spec;
}

} // namespace devio::sim
