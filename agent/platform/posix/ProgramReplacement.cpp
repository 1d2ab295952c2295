#include "platform/ProgramReplacement.h"

namespace platform {

bool canReplaceRunningProgram() {
    return true;
}

} // namespace platform
