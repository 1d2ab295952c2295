#include "modules/AgentState.h"

AgentState& AgentState::instance() {
    static AgentState state;
    return state;
}
