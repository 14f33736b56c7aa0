#pragma once

// The trial domain: the working record of one analysis, the event type,
// record preparation (observed time, lambda0, the six intervals) and the
// decision rule.
#include "trial/decision.h"
#include "trial/event_type.h"
#include "trial/trial_data.h"
#include "trial/trial_record.h"
