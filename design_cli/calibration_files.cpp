#include "design_cli/calibration_files.h"

#include "design/look_file.h"

namespace quillmere {

std::vector<ResultFile> calibrationResultFiles(const DesignSettings& design,
                                               const CalibrationLooks& looks,
                                               const CalibrationResult& result) {
    return {
        {"calibration_looks.csv",
         [&](std::ostream& out) {
             writeLookFile(out, design, looks, {0, design.trials - 1});
         }},
        {"calibration.csv", [&](std::ostream& out) { writeCalibrationCsv(out, result); }},
        {"calibration.svg", [&](std::ostream& out) { writeCalibrationPlot(out, design, result); }},
    };
}

ResultSet calibrationResultSet(const DesignSettings& design) {
    return {"calibrate", designFingerprint(design),
            fileNames(calibrationResultFiles(design, {}, {}))};
}

}  // namespace quillmere
