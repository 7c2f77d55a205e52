#include "app/ToolOutcome.h"

namespace devio::app {

CToolOutcome& ToolOutcome() {
    static CToolOutcome outcome;
    return outcome;
}

} // namespace devio::app
