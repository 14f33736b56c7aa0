#pragma once

// Results written as one set. A run checks its output directory before it
// starts working, writes every file into a staging directory inside it, and
// moves them into place together only when all are written. A run that fails
// or is stopped before that leaves the directory exactly as it was.
//
// One run at a time: a run holds the directory's lock (DirectoryLock) from
// its check to its end, and a second run into the same directory is refused.
//
// The directory keeps a record (resultsRecordName) of which run wrote which
// files, so that a later run can tell results it replaces from results it
// would contradict.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "design_cli/directory_lock.h"

namespace quillmere {

// The files one run writes. The kind of run and the design identify them: a
// later run of the same kind and design replaces them; runs of other kinds
// of the same design sit beside them unless they write the same files.
struct ResultSet {
    std::string kind;    // e.g. "simulate", "shard 1-500", "boundaries"
    std::string design;  // the design's fingerprint
    std::vector<std::string> files;
};

struct OutputRequest {
    std::filesystem::path directory;
    ResultSet results;
    // Replace results of another kind or design, and files nobody recorded.
    bool force = false;
    // Files the run reads: never written over nor removed, even with force.
    std::vector<std::filesystem::path> inputs;
    // A document the user names (an interim report) stands on its own: it is
    // neither checked against the record nor entered in it, so documents of
    // several trials and the results of any run may share a directory.
    bool recorded = true;
};

extern const char* const resultsRecordName;

class StagedResults {
  public:
    // Checks the directory (created when missing) and prepares the staging
    // directory; problem() says why the results cannot go there.
    explicit StagedResults(OutputRequest request);
    // Removes what an uncommitted run left: the staging directory, and the
    // output directory when this run created it; releases the lock.
    ~StagedResults();
    StagedResults(const StagedResults&) = delete;
    StagedResults& operator=(const StagedResults&) = delete;

    const std::optional<std::string>& problem() const { return problem_; }

    // Where to write a file of the set now.
    std::filesystem::path path(const std::string& name) const;

    // Moves every file of the set into the directory and removes the results
    // it replaces. On failure the directory is as it was and the text says why.
    std::optional<std::string> commit();

  private:
    OutputRequest request_;
    std::optional<std::string> problem_;
    std::optional<DirectoryLock> lock_;
    std::filesystem::path staging_;
    std::vector<std::filesystem::path> createdDirectories_;  // outermost first
    std::vector<std::string> replacedFiles_;                 // of earlier results this set replaces
    std::vector<std::string> keptRecord_;                    // record lines of results that stay
    bool committed_ = false;
};

}  // namespace quillmere
