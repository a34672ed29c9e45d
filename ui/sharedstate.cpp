#include "ui/sharedstate.h"

namespace zorkan::ui {

SharedState& shared() {
    static SharedState state;
    return state;
}

void resetSharedState() {
    shared() = SharedState{};
}

} // namespace zorkan::ui
