// A diagnostic log of a test's own: its settings, a temporary folder for its log file, and the
// parsed lines of that file.
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "Source/Log/XLogCore.h"
#include "Source/Log/xLog.h"
#include "support/TempDir.h"

namespace devio::test {

// One line of a log file, field by field.
struct FileLine {
    std::string performance_time;
    std::string wall_time;
    std::string process_id;
    std::string identity; // "<thread>.devio.<process>"
    std::string level;
    std::string tag; // padded to 20 columns
    std::string function;
    std::string text;
};

inline std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t end; (end = text.find(separator, start)) != std::string::npos; start = end + 1) {
        parts.push_back(text.substr(start, end - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

// Empty fields when the line does not have the seven tab-separated fields.
inline FileLine parse_line(const std::string& line) {
    std::vector<std::string> fields = split(line, '\t');
    FileLine parsed;
    if (fields.size() != 7) {
        return parsed;
    }
    parsed.performance_time = fields[0];
    parsed.wall_time = fields[1];
    parsed.process_id = fields[2];
    parsed.identity = fields[3];
    parsed.level = fields[4];
    parsed.tag = fields[5];
    size_t blank = fields[6].find(' ');
    parsed.function = fields[6].substr(0, blank);
    parsed.text = blank == std::string::npos ? "" : fields[6].substr(blank + 1);
    return parsed;
}

inline std::vector<std::string> read_lines(const std::string& path) {
    std::ifstream file(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        lines.push_back(line);
    }
    return lines;
}

class TestLog {
public:
    static constexpr const char* kModulePath = "/opt/varkon/Vantor-DFU.v28.exe";

    explicit TestLog(XLogConfig config = {}, uint32_t entries = LogBuffer::kInitialEntries,
                     uint32_t text_size = LogBuffer::kInitialTextSize) {
        XLogSetup setup;
        setup.config = std::move(config);
        setup.module_path = kModulePath;
        setup.temp_path = folder_.path() + "/";
        setup.buffer_entries = entries;
        setup.buffer_text_size = text_size;
        log_ = std::make_unique<XLogCore>(std::move(setup));
    }

    XLogCore& log() { return *log_; }
    const std::string& temp_path() const { return folder_.path(); }

    // The file's lines after the log has written every pending record (shuts the log down).
    std::vector<FileLine> shut_down_and_read() {
        log_->buffers().shutdown();
        return lines();
    }
    // The file's lines as they are now.
    std::vector<FileLine> lines() const {
        std::vector<FileLine> parsed;
        for (const std::string& line : read_lines(log_->file().path())) {
            parsed.push_back(parse_line(line));
        }
        return parsed;
    }
    // The file lines whose text is `text`.
    static std::vector<FileLine> with_text(const std::vector<FileLine>& lines,
                                           const std::string& text) {
        std::vector<FileLine> found;
        for (const FileLine& line : lines) {
            if (line.text == text) {
                found.push_back(line);
            }
        }
        return found;
    }

private:
    TempDir folder_;
    std::unique_ptr<XLogCore> log_;
};

} // namespace devio::test
