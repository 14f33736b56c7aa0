#pragma once

// What the front ends do differently on each system, behind one face: how
// an interruption reaches a run and how the standard streams are written.
#include "platform/console_streams.h"
#include "platform/stop_signals.h"
