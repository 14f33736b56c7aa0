#pragma once

namespace quillmere {

// The monitored endpoint. The value in force is the one the configuration's
// TrialType names; the answer at the question only chooses the file.
enum class EventType { Toxicity = 1, Efficacy = 2, DiseaseProgression = 3 };

}  // namespace quillmere
