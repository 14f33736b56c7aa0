#pragma once

#include <ostream>
#include <vector>

#include "design/calibration.h"

namespace quillmere {

// calibration.csv: one row per cut-off and rate, cut-offs in their shortest
// exact form, the other figures as operating_characteristics.csv writes them.
void writeCalibrationCsv(std::ostream& out, const CalibrationResult& result);

// P(early stop) against the cut-off for every rate, with the chosen cut-off
// and MaxErrorStop marked.
void writeCalibrationPlot(std::ostream& out, const DesignSettings& design,
                          const CalibrationResult& result);

// The chosen cut-off with its interval and the operating characteristics of
// every rate there, for the console.
void writeCalibrationText(std::ostream& out, const DesignSettings& design,
                          const CalibrationResult& result);

}  // namespace quillmere
