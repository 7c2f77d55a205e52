#include "Source/System/DebugOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <syslog.h>

namespace devio::sys {

namespace {

enum class SinkKind { Syslog, Stderr, File };

struct Sink {
    std::mutex mutex;
    SinkKind kind = SinkKind::Syslog;
    FILE* file = nullptr;
    std::vector<std::vector<std::string>*> captures;

    Sink() {
        const char* setting = std::getenv("DEVIO_DEBUG_OUTPUT");
        std::string text = setting != nullptr ? setting : "";
        if (text == "stderr") {
            kind = SinkKind::Stderr;
        } else if (text.rfind("file:", 0) == 0 && text.size() > 5) {
            file = std::fopen(text.c_str() + 5, "a");
            kind = file != nullptr ? SinkKind::File : SinkKind::Stderr;
        }
    }
};

Sink& sink() {
    static Sink* instance = new Sink(); // never destroyed: usable during static destruction
    return *instance;
}

} // namespace

void DebugOutput::write(std::string_view text) {
    Sink& s = sink();
    std::lock_guard<std::mutex> lock(s.mutex);
    for (auto* capture : s.captures) {
        capture->emplace_back(text);
    }
    switch (s.kind) {
    case SinkKind::Stderr:
        std::fwrite(text.data(), 1, text.size(), stderr);
        break;
    case SinkKind::File:
        std::fwrite(text.data(), 1, text.size(), s.file);
        std::fflush(s.file);
        break;
    case SinkKind::Syslog:
        syslog(LOG_USER | LOG_DEBUG, "%.*s", static_cast<int>(text.size()), text.data());
        break;
    }
}

DebugOutputCapture::DebugOutputCapture() : recorded_(std::make_unique<std::vector<std::string>>()) {
    Sink& s = sink();
    std::lock_guard<std::mutex> lock(s.mutex);
    s.captures.push_back(recorded_.get());
}

DebugOutputCapture::~DebugOutputCapture() {
    Sink& s = sink();
    std::lock_guard<std::mutex> lock(s.mutex);
    std::erase(s.captures, recorded_.get());
}

std::vector<std::string> DebugOutputCapture::texts() const {
    std::lock_guard<std::mutex> lock(sink().mutex);
    return *recorded_;
}

bool DebugOutputCapture::contains(std::string_view needle) const {
    auto all = texts();
    return std::any_of(all.begin(), all.end(), [needle](const std::string& text) {
        return text.find(needle) != std::string::npos;
    });
}

void DebugOutputCapture::clear() {
    std::lock_guard<std::mutex> lock(sink().mutex);
    recorded_->clear();
}

} // namespace devio::sys
