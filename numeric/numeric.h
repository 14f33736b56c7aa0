#pragma once

// Numerical routines: the two fixed-seed uniform sources, the single-precision
// incomplete beta function, the adaptive rejection Metropolis sampler, the
// elementary functions (exp, log, pow, log1p, expm1) the whole library uses
// and numbers as text.
#include "numeric/arms_sampler.h"
#include "numeric/elementary_functions.h"
#include "numeric/incomplete_beta.h"
#include "numeric/number_text.h"
#include "numeric/random_sources.h"
#include "numeric/sampling_envelope.h"
