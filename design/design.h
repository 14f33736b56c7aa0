#pragma once

// The design library: the design file, the look schedule, cohort simulation,
// each look's analysis through the analysis layer, operating characteristics,
// stopping boundaries, replicate files, the paired comparisons of time
// units and of two rules, the calibration of the cut-off (with its look
// files) and the stability of one interim decision; trials simulated with
// several looks under analysis at once, each only until its advice is
// certain when nobody asks for its probability. No output beyond the values
// it returns.
#include "design/boundaries.h"
#include "design/calibration.h"
#include "design/cohort.h"
#include "design/design_settings.h"
#include "design/late_outcome_method.h"
#include "design/late_outcomes.h"
#include "design/look_analysis.h"
#include "design/look_comparison.h"
#include "design/look_decision.h"
#include "design/look_file.h"
#include "design/look_schedule.h"
#include "design/operating_characteristics.h"
#include "design/random_stream.h"
#include "design/replicate_file.h"
#include "design/rule_comparison.h"
#include "design/simulation_runner.h"
#include "design/stability.h"
#include "design/task_pool.h"
#include "design/time_units.h"
#include "design/trial_lanes.h"
#include "design/trial_simulation.h"
