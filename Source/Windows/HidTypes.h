// The HID service's types: a collection's attributes, its capabilities, its value and button
// capabilities and its link collections, as Win32System's HidD_ and HidP_ calls exchange them.
#pragma once

#include "Source/Windows/Win32Types.h"

using USAGE = USHORT;

// A collection's parsed report descriptor, obtained with HidD_GetPreparsedData and released with
// HidD_FreePreparsedData.
enum class PHIDP_PREPARSED_DATA : uint32_t {};

struct HIDD_ATTRIBUTES {
    ULONG Size = sizeof(HIDD_ATTRIBUTES); // the caller sets it; a different size is refused
    USHORT VendorID = 0;
    USHORT ProductID = 0;
    USHORT VersionNumber = 0;
};

struct HIDP_CAPS {
    USAGE Usage = 0;
    USAGE UsagePage = 0;
    USHORT InputReportByteLength = 0;  // report id included
    USHORT OutputReportByteLength = 0; // report id included
    USHORT FeatureReportByteLength = 0;
    USHORT NumberLinkCollectionNodes = 0;
    USHORT NumberInputButtonCaps = 0;
    USHORT NumberInputValueCaps = 0;
    USHORT NumberInputDataIndices = 0;
    USHORT NumberOutputButtonCaps = 0;
    USHORT NumberOutputValueCaps = 0;
    USHORT NumberOutputDataIndices = 0;
    USHORT NumberFeatureButtonCaps = 0;
    USHORT NumberFeatureValueCaps = 0;
    USHORT NumberFeatureDataIndices = 0;
};

enum HIDP_REPORT_TYPE { HidP_Input = 0, HidP_Output = 1, HidP_Feature = 2 };

// One value field of a report.
struct HIDP_VALUE_CAPS {
    USAGE UsagePage = 0;
    UCHAR ReportID = 0;
    USHORT LinkCollection = 0;
    USHORT BitSize = 0;
    USHORT ReportCount = 0;
    USAGE Usage = 0;
    USHORT DataIndex = 0;
};

// One button field of a report.
struct HIDP_BUTTON_CAPS {
    USAGE UsagePage = 0;
    UCHAR ReportID = 0;
    USHORT LinkCollection = 0;
    USAGE Usage = 0;
    USHORT DataIndex = 0;
};

struct HIDP_LINK_COLLECTION_NODE {
    USAGE LinkUsage = 0;
    USAGE LinkUsagePage = 0;
    USHORT Parent = 0;
    USHORT NumberOfChildren = 0;
    USHORT NextSibling = 0;
    USHORT FirstChild = 0;
    UCHAR CollectionType = 0; // 1: application collection
};

inline constexpr NTSTATUS HIDP_STATUS_SUCCESS = 0x00110000;
inline constexpr NTSTATUS HIDP_STATUS_INVALID_PREPARSED_DATA = static_cast<NTSTATUS>(0xC0110001u);
inline constexpr NTSTATUS HIDP_STATUS_INVALID_REPORT_TYPE = static_cast<NTSTATUS>(0xC0110002u);
inline constexpr NTSTATUS HIDP_STATUS_BUFFER_TOO_SMALL = static_cast<NTSTATUS>(0xC0110007u);
