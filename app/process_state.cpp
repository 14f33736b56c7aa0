#include "app/process_state.h"

namespace quillmere {

ProcessState& processState() {
    static ProcessState state;
    return state;
}

std::string reportPath() {
    return processState().reportPathPrefix + "summary.txt";
}

EventType runEventType() {
    const ProcessState& state = processState();
    if (state.eventCategory == "T") {
        return EventType::Toxicity;
    }
    return state.eventKind == "DiseasePro" ? EventType::DiseaseProgression : EventType::Efficacy;
}

}  // namespace quillmere
