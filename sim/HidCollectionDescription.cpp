#include "sim/HidCollectionDescription.h"

#include <cstdio>

namespace devio::sim {

HidCollectionDescription vendor_collection(uint16_t vendor_id, uint16_t product_id,
                                           uint16_t usage_page, uint16_t usage, Byte report_id,
                                           uint16_t length, unsigned location, unsigned number) {
    char text[160];
    HidCollectionDescription description;
    std::snprintf(text, sizeof(text),
                  "\\\\?\\hid#vid_%04x&pid_%04x&mi_02&col%02u#8&%08x&0&%04u"
                  "#{4d1e55b2-f16f-11cf-88cb-001111000030}",
                  vendor_id, product_id, number, 0x2A10C000u + location, number - 1);
    description.path = text;
    std::snprintf(text, sizeof(text), "HID\\VID_%04X&PID_%04X&MI_02&COL%02u\\8&%08X&0&%04u",
                  vendor_id, product_id, number, 0x2A10C000u + location, number - 1);
    description.instance = text;
    std::snprintf(text, sizeof(text), "USB\\VID_%04X&PID_%04X&MI_02\\7&%08X&0&0002", vendor_id,
                  product_id, 0x1B20D000u + location);
    description.parent_instance = text;
    description.vendor_id = vendor_id;
    description.product_id = product_id;
    description.version = 0x1201;
    description.usage_page = usage_page;
    description.usage = usage;
    description.input_length = length;
    description.output_length = length;
    description.inputs = {{report_id, false}};
    description.outputs = {{report_id, false}};
    return description;
}

} // namespace devio::sim
