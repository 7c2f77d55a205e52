#include "Source/Rap/FeatureCacheFile.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "Source/System/RapidXml.h"

namespace devio {

namespace {

constexpr uint32_t kFnvOffsetBasis = 0x811C9DC5;
constexpr uint32_t kFnvPrime = 0x01000193;
// Our files are two levels deep; a parser that recurses per level is never handed more.
constexpr int kMaxNesting = 16;

int hex_value(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

std::string hex_number(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

// An upper bound of the element nesting: every "<name" opens, every "</" and "/>" closes.
int nesting_bound(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '<' && text[i + 1] != '/' && text[i + 1] != '?' && text[i + 1] != '!') {
            deepest = std::max(deepest, ++depth);
        } else if ((text[i] == '<' && text[i + 1] == '/') ||
                   (text[i] == '/' && text[i + 1] == '>')) {
            --depth;
        }
    }
    return deepest;
}

std::string attribute(const rapidxml::xml_node<>* node, const char* name, bool& present) {
    const rapidxml::xml_attribute<>* found = node->first_attribute(name);
    present = found != nullptr;
    return present ? std::string(found->value(), found->value_size()) : std::string();
}

} // namespace

uint32_t FeatureCacheFile::fnv1a(std::string_view text) {
    uint32_t hash = kFnvOffsetBasis;
    for (char c : text) {
        hash ^= static_cast<unsigned char>(c);
        hash *= kFnvPrime;
    }
    return hash;
}

std::string FeatureCacheFile::specific_name(const std::string& directory, int product_id,
                                            const std::string& path) {
    return directory + hex_number(static_cast<uint32_t>(product_id)) + "_" +
           hex_number(fnv1a(path)) + ".xml";
}

std::string FeatureCacheFile::generic_name(const std::string& directory, int product_id) {
    return directory + hex_number(static_cast<uint32_t>(product_id)) + ".xml";
}

std::string FeatureCacheFile::to_hex(const rap::Report& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (Byte b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0xF];
    }
    return text;
}

rap::Report FeatureCacheFile::from_hex(std::string_view text) {
    rap::Report bytes;
    bytes.reserve(text.size() / 2);
    for (std::size_t i = 0; i + 1 < text.size(); i += 2) {
        int high = hex_value(text[i]);
        int low = hex_value(text[i + 1]);
        if (high >= 0 && low >= 0) {
            bytes.push_back(static_cast<Byte>(high << 4 | low));
        }
    }
    return bytes;
}

std::string FeatureCacheFile::printable(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c < 0x20 || c > 0x7E) {
            c = '?';
        }
    }
    return result;
}

std::string FeatureCacheFile::render(const Contents& contents) {
    rapidxml::xml_document<> doc;
    auto add_attribute = [&doc](rapidxml::xml_node<>* node, const char* name,
                                const std::string& value) {
        node->append_attribute(doc.allocate_attribute(
            name, doc.allocate_string(value.c_str(), value.size()), 0, value.size()));
    };
    rapidxml::xml_node<>* declaration = doc.allocate_node(rapidxml::node_declaration);
    add_attribute(declaration, "version", "1.0");
    add_attribute(declaration, "encoding", "utf-8");
    doc.append_node(declaration);

    rapidxml::xml_node<>* cache = doc.allocate_node(rapidxml::node_element, "cache");
    add_attribute(cache, "fw", printable(contents.fw));
    add_attribute(cache, "path", printable(contents.path));
    doc.append_node(cache);
    for (const auto& [command, response] : contents.entries) {
        rapidxml::xml_node<>* entry = doc.allocate_node(rapidxml::node_element, "command");
        add_attribute(entry, "cmd", to_hex(command));
        add_attribute(entry, "rsp", to_hex(response));
        cache->append_node(entry);
    }
    std::string text;
    rapidxml::print(std::back_inserter(text), doc);
    return text;
}

std::optional<FeatureCacheFile::Contents> FeatureCacheFile::parse(std::string text) {
    if (nesting_bound(text) > kMaxNesting) {
        return std::nullopt;
    }
    text.push_back('\0');
    rapidxml::xml_document<> doc;
    try {
        doc.parse<0>(text.data());
    } catch (const rapidxml::parse_error&) {
        return std::nullopt;
    }
    const rapidxml::xml_node<>* cache = doc.first_node("cache");
    if (cache == nullptr) {
        return std::nullopt;
    }
    Contents contents;
    bool present = false;
    contents.fw = attribute(cache, "fw", present);
    contents.path = attribute(cache, "path", present);
    for (const rapidxml::xml_node<>* entry = cache->first_node("command"); entry != nullptr;
         entry = entry->next_sibling("command")) {
        bool has_command = false;
        bool has_response = false;
        std::string command = attribute(entry, "cmd", has_command);
        std::string response = attribute(entry, "rsp", has_response);
        if (has_command && has_response) {
            contents.entries.emplace(from_hex(command), from_hex(response));
        }
    }
    return contents;
}

} // namespace devio
