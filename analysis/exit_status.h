#pragma once

namespace quillmere {

// Exit statuses of the console program.
inline constexpr int exitComplete = 0;
inline constexpr int exitInputFailure = -1;    // bad patient data, > 500 patients, no data file
inline constexpr int exitReportOrSampler = 1;  // summary.txt cannot be opened, sampler error code
inline constexpr int exitConfigurationFailure = 2;  // configuration or data-file label failure
inline constexpr int exitNoAnswer = 3;              // standard input ended at the question
inline constexpr int exitReportNotWritten = 4;      // the report could not be written or closed

}  // namespace quillmere
