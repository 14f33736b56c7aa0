#pragma once

// Numerical routines: the two fixed-seed uniform sources, the single-precision
// incomplete beta function and the adaptive rejection Metropolis sampler.
#include "numeric/arms_sampler.h"
#include "numeric/incomplete_beta.h"
#include "numeric/random_sources.h"
#include "numeric/sampling_envelope.h"
