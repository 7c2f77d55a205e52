// A stand-in for the companion software in the tests, built as "Hubrix.exe": it creates the
// companion's shutdown event (or opens it when another stand-in made it), writes "ready" to its
// standard output, and exits with status 0 once the event is set. With --stubborn it ignores the
// event and SIGTERM, so that only a kill ends it.
#include <csignal>
#include <memory>
#include <string>
#include <unistd.h>

#include "Source/System/NamedEvent.h"
#include "app/Companion.h"

int main(int argc, char** argv) {
    using devio::sys::NamedEvent;
    const bool stubborn = argc > 1 && std::string(argv[1]) == "--stubborn";
    if (stubborn) {
        std::signal(SIGTERM, SIG_IGN);
    }
    const std::string name(devio::app::kCompanionShutdownEvent);
    std::unique_ptr<NamedEvent> shutdown = NamedEvent::create(name);
    if (!shutdown) {
        shutdown = NamedEvent::open(name);
    }
    if (!shutdown) {
        return 3;
    }
    if (write(STDOUT_FILENO, "ready\n", 6) != 6) {
        return 4;
    }
    if (stubborn) {
        for (;;) {
            pause();
        }
    }
    shutdown->wait(-1);
    return 0;
}
