#include "platform/ProgramReplacement.h"

namespace platform {

bool canReplaceRunningProgram() {
    return false;
}

} // namespace platform
