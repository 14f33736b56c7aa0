#include <gtest/gtest.h>

#include <fstream>

#include "design/boundaries.h"
#include "design/design_test_support.h"
#include "design/look_analysis.h"
#include "design_cli/look_dump.h"

namespace quillmere {
namespace {

// n patients followed to the end of the window, the first `events` of them
// with an event.
std::vector<PatientLine> completeData(int n, int events, double window) {
    std::vector<PatientLine> patients;
    for (int i = 0; i < n; ++i) {
        const bool event = i < events;
        patients.push_back(
            {event ? 1 : 0, event ? window * (i + 1) / (n + 1) : window, window + 1.5 * i});
    }
    return patients;
}

TEST(Boundaries, WorkedExampleOfTheToxicityRule) {
    // Ten patients, two toxicities, bound 0.3: I_0.3(2.1, 8.2) = 0.797543.
    EXPECT_NEAR(completeDataProbability(EventType::Toxicity, 0.3, 10, 2), 1 - 0.797543, 1e-6);
    const std::vector<BoundaryRow> rows = computeBoundaries(EventType::Toxicity, 0.3, 0.9, 10);
    ASSERT_EQ(rows.size(), 10u);
    EXPECT_EQ(rows[9].patients, 10);
    EXPECT_EQ(rows[9].boundary, 6);
    EXPECT_GT(rows[9].probabilityAtBoundary, 0.9);
    EXPECT_LE(*rows[9].probabilityBeside, 0.9);
}

TEST(Boundaries, EachEventTypeStopsOnItsOwnSide) {
    for (const EventType type :
         {EventType::Toxicity, EventType::Efficacy, EventType::DiseaseProgression}) {
        for (const BoundaryRow& row : computeBoundaries(type, 0.4, 0.8, 60)) {
            EXPECT_TRUE(row.monotone) << row.patients;
            if (!row.boundary) {
                continue;
            }
            const int n = row.patients;
            const int b = *row.boundary;
            const int inside = type == EventType::Efficacy ? b + 1 : b - 1;
            EXPECT_GT(completeDataProbability(type, 0.4, n, b), 0.8);
            if (inside >= 0 && inside <= n) {
                EXPECT_LE(completeDataProbability(type, 0.4, n, inside), 0.8);
            }
        }
    }
    // Efficacy stops for futility on few responses, the others on many events.
    EXPECT_LT(*computeBoundaries(EventType::Efficacy, 0.4, 0.8, 30)[29].boundary, 12);
    EXPECT_GT(*computeBoundaries(EventType::DiseaseProgression, 0.4, 0.8, 30)[29].boundary, 18);
    EXPECT_GT(*computeBoundaries(EventType::Toxicity, 0.4, 0.8, 30)[29].boundary, 12);
}

// On complete data the engine's mean over the imputations is the single
// beta value: the boundary computation and the engine agree to the bit.
TEST(Boundaries, AgreesWithTheEngineOnCompleteData) {
    std::vector<TrialData> record(1);
    for (const EventType type :
         {EventType::Toxicity, EventType::Efficacy, EventType::DiseaseProgression}) {
        const AnalysisSettings settings{type, 0.35, 0.85, 28.0};
        for (const auto& [n, events] : {std::pair{7, 2}, {13, 0}, {20, 9}, {31, 31}}) {
            fillTrialRecord(record[0], completeData(n, events, 28.0), settings);
            const LookResult result = analyseRecord(record[0], settings);
            EXPECT_EQ(result.reportedProbability, completeDataProbability(type, 0.35, n, events))
                << n << " " << events;
        }
    }
}

// The table's boundary terminates and the count beside it continues in a real
// run of quillmere on complete data.
TEST(Boundaries, AgreeWithQuillmereOnCompleteData) {
    int runs = 0;
    for (const EventType type :
         {EventType::Toxicity, EventType::Efficacy, EventType::DiseaseProgression}) {
        const AnalysisSettings settings{type, 0.3, 0.85, 90.0};
        const ConsoleFileNames names = consoleFileNames(type);
        for (const BoundaryRow& row : computeBoundaries(type, 0.3, 0.85, 14)) {
            if (!row.boundary) {
                continue;
            }
            const int b = *row.boundary;
            const int beside = type == EventType::Efficacy ? b + 1 : b - 1;
            for (const int events : {b, beside}) {
                if (events < 0 || events > row.patients) {
                    continue;
                }
                const auto directory = testing::freshDirectory("boundary-run");
                const std::vector<PatientLine> patients = completeData(row.patients, events, 90.0);
                for (const ResultFile& file : lookFiles(settings, patients)) {
                    std::ofstream out(directory / file.name);
                    file.write(out);
                }
                const testing::ConsoleRun run = testing::runQuillmere(directory, names.answer);
                const double p = completeDataProbability(type, 0.3, row.patients, events);
                ASSERT_EQ(run.status, 0);
                EXPECT_EQ(run.resultLine, consoleResultLine(type, 0.3, p));
                EXPECT_EQ(run.decisionLine, testing::expectedDecisionLine(events == b, 0.85))
                    << row.patients << " patients, " << events << " events";
                ++runs;
            }
        }
    }
    EXPECT_GT(runs, 50);
}

}  // namespace
}  // namespace quillmere
