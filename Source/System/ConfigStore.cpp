#include "Source/System/ConfigStore.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <iterator>
#include <sys/file.h>
#include <unistd.h>

#include "Source/System/AtomicFile.h"
#include "Source/System/Paths.h"
#include "Source/System/RapidXml.h"
#include "Source/System/SecureFolder.h"
#include "Source/System/SystemError.h"

namespace devio::sys {

namespace {

struct NamedValue {
    std::string name;
    ConfigValue value;
};

struct Key {
    std::string path;
    std::vector<NamedValue> values;
};

using Document = std::vector<Key>;

bool same_name(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Key paths match without regard to case and to a trailing backslash.
std::string normal_key(std::string key) {
    while (!key.empty() && key.back() == '\\') {
        key.pop_back();
    }
    return key;
}

Key* find_key(Document& doc, const std::string& path) {
    for (Key& key : doc) {
        if (same_name(key.path, path)) {
            return &key;
        }
    }
    return nullptr;
}

NamedValue* find_value(Key& key, const std::string& name) {
    for (NamedValue& value : key.values) {
        if (same_name(value.name, name)) {
            return &value;
        }
    }
    return nullptr;
}

const char* type_name(ConfigValueType type) {
    switch (type) {
    case ConfigValueType::Dword:
        return "DWORD";
    case ConfigValueType::Sz:
        return "SZ";
    case ConfigValueType::Binary:
        return "BINARY";
    }
    return "SZ";
}

std::string to_hex(const std::vector<uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

bool from_hex(const std::string& text, std::vector<uint8_t>& bytes) {
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    };
    if (text.size() % 2 != 0) {
        return false;
    }
    for (size_t i = 0; i < text.size(); i += 2) {
        int high = nibble(text[i]);
        int low = nibble(text[i + 1]);
        if (high < 0 || low < 0) {
            return false;
        }
        bytes.push_back(static_cast<uint8_t>(high << 4 | low));
    }
    return true;
}

bool parse_value(rapidxml::xml_node<>* node, NamedValue& out) {
    auto* name = node->first_attribute("name");
    auto* type = node->first_attribute("type");
    if (name == nullptr || type == nullptr) {
        return false;
    }
    out.name = name->value();
    std::string text(node->value(), node->value_size());
    std::string kind = type->value();
    if (kind == "DWORD") {
        char* end = nullptr;
        unsigned long number = std::strtoul(text.c_str(), &end, 10);
        if (text.empty() || *end != '\0' || number > 0xFFFFFFFFUL) {
            return false;
        }
        out.value.type = ConfigValueType::Dword;
        out.value.dword = static_cast<uint32_t>(number);
        return true;
    }
    if (kind == "SZ") {
        out.value.type = ConfigValueType::Sz;
        out.value.sz = text;
        return true;
    }
    if (kind == "BINARY") {
        out.value.type = ConfigValueType::Binary;
        return from_hex(text, out.value.binary);
    }
    return false;
}

// Parses the file's text; false when it is not a store document.
bool parse(std::string text, Document& doc) {
    if (text.empty()) {
        return true;
    }
    rapidxml::xml_document<> xml;
    try {
        xml.parse<0>(text.data());
    } catch (const rapidxml::parse_error&) {
        return false;
    }
    auto* root = xml.first_node("registry");
    if (root == nullptr) {
        return false;
    }
    for (auto* node = root->first_node("key"); node != nullptr; node = node->next_sibling("key")) {
        auto* path = node->first_attribute("path");
        if (path == nullptr) {
            return false;
        }
        Key key{path->value(), {}};
        for (auto* v = node->first_node("value"); v != nullptr; v = v->next_sibling("value")) {
            NamedValue value;
            if (!parse_value(v, value)) {
                return false;
            }
            key.values.push_back(std::move(value));
        }
        doc.push_back(std::move(key));
    }
    return true;
}

std::string print(const Document& doc) {
    rapidxml::xml_document<> xml;
    auto* declaration = xml.allocate_node(rapidxml::node_declaration);
    declaration->append_attribute(xml.allocate_attribute("version", "1.0"));
    declaration->append_attribute(xml.allocate_attribute("encoding", "utf-8"));
    xml.append_node(declaration);
    auto* root = xml.allocate_node(rapidxml::node_element, "registry");
    xml.append_node(root);
    for (const Key& key : doc) {
        auto* key_node = xml.allocate_node(rapidxml::node_element, "key");
        key_node->append_attribute(xml.allocate_attribute("path", key.path.c_str()));
        root->append_node(key_node);
        for (const NamedValue& value : key.values) {
            std::string text;
            switch (value.value.type) {
            case ConfigValueType::Dword:
                text = std::to_string(value.value.dword);
                break;
            case ConfigValueType::Sz:
                text = value.value.sz;
                break;
            case ConfigValueType::Binary:
                text = to_hex(value.value.binary);
                break;
            }
            auto* node = xml.allocate_node(rapidxml::node_element, "value",
                                           xml.allocate_string(text.c_str(), text.size() + 1), 0,
                                           text.size());
            node->append_attribute(xml.allocate_attribute("name", value.name.c_str()));
            node->append_attribute(xml.allocate_attribute("type", type_name(value.value.type)));
            key_node->append_node(node);
        }
    }
    std::string out;
    rapidxml::print(std::back_inserter(out), xml);
    return out;
}

std::string folder_of(const std::string& file) {
    size_t slash = file.rfind('/');
    return slash == std::string::npos ? std::string(".") : file.substr(0, slash);
}

// Reads the whole file; a missing file or folder reads as empty text. A folder that fails
// SecureFolder's check is not read: its values could have been put there by another account.
bool read_text(const std::string& file, std::string& text) {
    if (!SecureFolder::use(folder_of(file), SecureFolder::Create::No)) {
        return last_system_error() == ENOENT;
    }
    if (read_file_contents(file, text)) {
        return true;
    }
    text.clear();
    return last_system_error() == ENOENT;
}

// Holds the store's advisory lock file for the lifetime of the object.
class StoreLock {
public:
    explicit StoreLock(const std::string& file) {
        if (!SecureFolder::use(folder_of(file), SecureFolder::Create::WithParents)) {
            return;
        }
        fd_ = SecureFolder::open_file(file + ".lock", O_RDWR | O_CREAT, 0600);
        if (fd_ < 0) {
            fail_with_errno();
            return;
        }
        while (flock(fd_, LOCK_EX) != 0) {
            if (errno != EINTR) {
                fail_with_errno();
                ::close(fd_);
                fd_ = -1;
                return;
            }
        }
    }
    ~StoreLock() {
        if (fd_ >= 0) {
            ::close(fd_); // closing releases the lock
        }
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// Moves an unreadable store aside so that it is never silently overwritten. Caller holds the lock.
void keep_aside(const std::string& file) {
    char stamp[32];
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(stamp, sizeof(stamp), "%Y%m%d-%H%M%S", &local);
    std::string aside = file + ".corrupt-" + stamp;
    for (int n = 1; access(aside.c_str(), F_OK) == 0; ++n) {
        aside = file + ".corrupt-" + stamp + "-" + std::to_string(n);
    }
    std::rename(file.c_str(), aside.c_str());
}

// Loads the document; a corrupt file is kept aside and the document starts empty. Caller holds the
// lock.
bool load_locked(const std::string& file, Document& doc) {
    std::string text;
    if (!read_text(file, text)) {
        return false;
    }
    if (!parse(text, doc)) {
        keep_aside(file);
        doc.clear();
    }
    return true;
}

bool save_locked(const std::string& file, const Document& doc) {
    return replace_file_contents(file, print(doc), 0600);
}

// Runs `change` on the current document under the lock and saves the result when it returns true.
template <class Change>
bool modify(const std::string& file, Change change) {
    StoreLock lock(file);
    if (!lock.held()) {
        return false;
    }
    Document doc;
    if (!load_locked(file, doc) || !change(doc)) {
        return false;
    }
    return save_locked(file, doc);
}

// Reads the document for a query. An unparsable file is handled as by a writer: kept aside.
bool load_for_reading(const std::string& file, Document& doc) {
    std::string text;
    if (!read_text(file, text)) {
        return false;
    }
    if (parse(text, doc)) {
        return true;
    }
    StoreLock lock(file);
    doc.clear();
    return lock.held() && load_locked(file, doc);
}

} // namespace

ConfigStore ConfigStore::user() {
    return ConfigStore(Paths::config_folder() + "/registry.xml");
}

ConfigStore::ConfigStore(std::string file) : file_(std::move(file)) {}

bool ConfigStore::create_key(const std::string& key) {
    std::string path = normal_key(key);
    if (key_exists(path)) {
        return true;
    }
    return modify(file_, [&](Document& doc) {
        if (find_key(doc, path) == nullptr) {
            doc.push_back(Key{path, {}});
        }
        return true;
    });
}

bool ConfigStore::key_exists(const std::string& key) const {
    Document doc;
    if (!load_for_reading(file_, doc)) {
        return false;
    }
    if (find_key(doc, normal_key(key)) == nullptr) {
        set_last_system_error(ENOENT);
        return false;
    }
    return true;
}

std::optional<ConfigValue> ConfigStore::read(const std::string& key,
                                             const std::string& name) const {
    Document doc;
    if (!load_for_reading(file_, doc)) {
        return std::nullopt;
    }
    Key* found = find_key(doc, normal_key(key));
    NamedValue* value = found != nullptr ? find_value(*found, name) : nullptr;
    if (value == nullptr) {
        set_last_system_error(ENOENT);
        return std::nullopt;
    }
    return value->value;
}

namespace {
template <class T, class Get>
std::optional<T> typed(std::optional<ConfigValue> value, ConfigValueType type, Get get) {
    if (!value) {
        return std::nullopt;
    }
    if (value->type != type) {
        set_last_system_error(EINVAL);
        return std::nullopt;
    }
    return get(*value);
}
} // namespace

std::optional<uint32_t> ConfigStore::read_dword(const std::string& key,
                                                const std::string& name) const {
    return typed<uint32_t>(read(key, name), ConfigValueType::Dword,
                           [](const ConfigValue& v) { return v.dword; });
}

std::optional<std::string> ConfigStore::read_sz(const std::string& key,
                                                const std::string& name) const {
    return typed<std::string>(read(key, name), ConfigValueType::Sz,
                              [](const ConfigValue& v) { return v.sz; });
}

std::optional<std::vector<uint8_t>> ConfigStore::read_binary(const std::string& key,
                                                             const std::string& name) const {
    return typed<std::vector<uint8_t>>(read(key, name), ConfigValueType::Binary,
                                       [](const ConfigValue& v) { return v.binary; });
}

bool ConfigStore::write(const std::string& key, const std::string& name, const ConfigValue& value) {
    std::string path = normal_key(key);
    return modify(file_, [&](Document& doc) {
        Key* found = find_key(doc, path);
        if (found == nullptr) {
            doc.push_back(Key{path, {}});
            found = &doc.back();
        }
        if (NamedValue* existing = find_value(*found, name); existing != nullptr) {
            existing->value = value;
        } else {
            found->values.push_back(NamedValue{name, value});
        }
        return true;
    });
}

bool ConfigStore::write_dword(const std::string& key, const std::string& name, uint32_t value) {
    ConfigValue v;
    v.type = ConfigValueType::Dword;
    v.dword = value;
    return write(key, name, v);
}

bool ConfigStore::write_sz(const std::string& key, const std::string& name,
                           const std::string& value) {
    ConfigValue v;
    v.type = ConfigValueType::Sz;
    v.sz = value;
    return write(key, name, v);
}

bool ConfigStore::write_binary(const std::string& key, const std::string& name,
                               const std::vector<uint8_t>& value) {
    ConfigValue v;
    v.type = ConfigValueType::Binary;
    v.binary = value;
    return write(key, name, v);
}

bool ConfigStore::delete_value(const std::string& key, const std::string& name) {
    std::string path = normal_key(key);
    return modify(file_, [&](Document& doc) {
        Key* found = find_key(doc, path);
        if (found == nullptr || find_value(*found, name) == nullptr) {
            set_last_system_error(ENOENT);
            return false;
        }
        std::erase_if(found->values, [&](const NamedValue& v) { return same_name(v.name, name); });
        return true;
    });
}

} // namespace devio::sys
