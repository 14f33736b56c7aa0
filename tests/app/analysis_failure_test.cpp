// How the program shows the analysis failures the library returns: the
// sampler's code on standard output with status 1, a failed envelope check on
// standard error with the check's own status.
#include "app/analysis_failure.h"

#include <gtest/gtest.h>

#include <array>
#include <sstream>
#include <string>
#include <utility>

#include "analysis/analysis.h"
#include "numeric/arms_sampler.h"
#include "numeric/sampling_envelope.h"

namespace quillmere {
namespace {

struct Shown {
    std::string out;
    std::string err;
    int status = 0;
};

// The failure the analysis returns for a sampler code, as the program shows
// it.
Shown showCode(int code) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = showAnalysisFailure(samplerFailure(code), out, err);
    return {out.str(), err.str(), status};
}

TEST(AnalysisFailure, SamplerCodesGoToStandardOutputWithStatusOne) {
    for (const int code :
         {armsBadBounds, armsAbscissaeNotIncreasing, armsPreviousOutOfRange, armsAttemptLimit}) {
        const Shown shown = showCode(code);
        EXPECT_EQ(shown.out, "error code (beta0): " + std::to_string(code) + "\n");
        EXPECT_EQ(shown.err, "");
        EXPECT_EQ(shown.status, 1);
    }
}

TEST(AnalysisFailure, EnvelopeChecksGoToStandardErrorWithTheirStatuses) {
    const std::array<std::pair<EnvelopeCheck, int>, 7> statuses = {{
        {EnvelopeCheck::IntersectionOnEvaluatedNode, 30},
        {EnvelopeCheck::NoChordSlope, 31},
        {EnvelopeCheck::IntersectionOutsideNeighbours, 32},
        {EnvelopeCheck::PieceWithoutLeftEnd, 1},
        {EnvelopeCheck::DrawOutsidePiece, 1},
        {EnvelopeCheck::CandidateNotBracketed, 10},
        {EnvelopeCheck::CandidateNeighboursAlike, 10},
    }};
    for (const auto& [check, status] : statuses) {
        const Shown shown = showCode(armsEnvelopeCheckBase + static_cast<int>(check));
        EXPECT_EQ(shown.out, "");
        EXPECT_EQ(shown.status, status);
        EXPECT_EQ(shown.err, "Sampling envelope check failed (exit status " +
                                 std::to_string(status) +
                                 "): " + envelopeCheckReport(check).finding + "\n");
    }
}

}  // namespace
}  // namespace quillmere
