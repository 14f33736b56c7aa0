#pragma once

#include <optional>
#include <vector>

#include "design/design_settings.h"
#include "design/look_analysis.h"
#include "design/task_pool.h"

namespace quillmere {

// Every hazard is drawn from [lower, upper] per unit ([0.001, 100] under the
// unit range): over a whole window of W units a pending patient's imputed
// event probability cannot fall below 1 - exp(-lower W) nor rise above
// 1 - exp(-upper W). The settings are those of the analysis in one unit.
double imputationFloor(const AnalysisSettings& settings);
double imputationCeiling(const AnalysisSettings& settings);

// The looks that the design's own unit runs, analysed again with the same
// patients written in another unit: a paired comparison of single decisions.
struct SameLookFigures {
    long looks = 0;
    double probabilitySum = 0.0;  // of the reported probability in that unit
    long differingDecisions = 0;  // decisions other than in the design's unit
};

// Figures by unit (in the order of `factors`, each turning the design's times
// into that unit) and scenario, over the looks of the first `replicates`
// trials of every scenario; nothing when stopped by a stop request.
using SameLookTable = std::vector<std::vector<SameLookFigures>>;

std::optional<SameLookTable> compareSameLooks(const DesignSettings& design,
                                              const std::vector<double>& factors, int replicates,
                                              int threads, const ProgressCallback& progress,
                                              const StopRequest* stop = nullptr);

}  // namespace quillmere
