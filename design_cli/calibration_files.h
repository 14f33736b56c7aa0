#pragma once

#include <vector>

#include "design_cli/output_file.h"
#include "report/calibration_report.h"

namespace quillmere {

// The files of a calibration of all replicates.
std::vector<ResultFile> calibrationResultFiles(const DesignSettings& design,
                                               const CalibrationLooks& looks,
                                               const CalibrationResult& result);
ResultSet calibrationResultSet(const DesignSettings& design);

}  // namespace quillmere
