// A program that the System tests start as a separate process:
//   sleep [ignore-term]     prints "ready" and sleeps until a signal ends it
//   event-create NAME       creates the event, prints "ready", holds it until stdin closes
//   event-wait NAME MS      opens the event, prints "ready", waits (MS < 0: without limit);
//                           exit 0 set, 1 timed out
//   event-set NAME          opens the event and sets it; exit 0
// Exit status 2: the event could not be created or opened; 3: bad arguments.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Source/System/NamedEvent.h"

namespace {

using devio::sys::NamedEvent;

void ready() {
    std::puts("ready");
    std::fflush(stdout);
}

int sleep_forever(bool ignore_term) {
    if (ignore_term) {
        std::signal(SIGTERM, SIG_IGN);
    }
    ready();
    for (;;) {
        pause();
    }
}

int hold_event(const std::string& name) {
    auto event = NamedEvent::create(name);
    if (!event) {
        return 2;
    }
    ready();
    char ignored;
    while (read(0, &ignored, 1) > 0) {
    }
    return 0;
}

int wait_event(const std::string& name, int64_t timeout_ms) {
    auto event = NamedEvent::open(name);
    if (!event) {
        return 2;
    }
    ready();
    return event->wait(timeout_ms) ? 0 : 1;
}

int set_event(const std::string& name) {
    auto event = NamedEvent::open(name);
    return event && event->set() ? 0 : 2;
}

} // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "sleep") {
        return sleep_forever(argc > 2 && std::string(argv[2]) == "ignore-term");
    }
    if (command == "event-create" && argc == 3) {
        return hold_event(argv[2]);
    }
    if (command == "event-wait" && argc == 4) {
        return wait_event(argv[2], std::atoll(argv[3]));
    }
    if (command == "event-set" && argc == 3) {
        return set_event(argv[2]);
    }
    return 3;
}
