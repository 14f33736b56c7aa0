#pragma once

#include <optional>
#include <string>

namespace quillmere {

// How a rule treats the outcomes still unknown at a look. Imputation is
// quillmere's own rule; the other three are the simple ways trials handle
// late outcomes, simulated on the same patients so that the imputation can be
// weighed against them. Every method decides with the rule's Beta(0.1, 0.2)
// prior on the event rate and its cut-off; only what enters the posterior
// differs:
// - Imputation: the pending outcomes imputed (the engine, as quillmere runs it);
// - CompleteCase: only events and non-events followed for the whole window;
// - Suspension: enrolment waits at each look until every enrolled patient's
//   outcome is known, and the look decides on complete data;
// - Weighted: a pending patient without event counts as the fraction
//   follow-up / window of a non-event.
enum class LateOutcomeMethod { Imputation, CompleteCase, Suspension, Weighted };

// "imputation", "complete-case", "suspension" or "weighted": the design file's names.
std::string lateOutcomeMethodName(LateOutcomeMethod method);
// The method of a name, ignoring letter case.
std::optional<LateOutcomeMethod> lateOutcomeMethodNamed(const std::string& name);

}  // namespace quillmere
