#include "design_cli/staged_results.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <system_error>

namespace quillmere {

const char* const resultsRecordName = "quillmere-design-results.txt";

namespace fs = std::filesystem;

namespace {

const char* const stagingPrefix = ".quillmere-design-partial-";
const char* const recordTitle = "# quillmere-design: which run wrote which files of this directory";

struct RecordedSet {
    std::string kind;
    std::vector<std::string> files;
};

struct ResultsRecord {
    std::string design;
    std::vector<RecordedSet> sets;
};

std::string joined(const std::vector<std::string>& words, const std::string& separator) {
    std::string text;
    for (const std::string& word : words) {
        text += (text.empty() ? "" : separator) + word;
    }
    return text;
}

std::string recordLine(const std::string& kind, const std::vector<std::string>& files) {
    return kind + ": " + joined(files, " ");
}

// Nothing when the text is not a record this program wrote.
std::optional<ResultsRecord> parseRecord(const std::string& text) {
    ResultsRecord record;
    bool hasDesign = false;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const std::size_t colon = line.find(": ");
        if (colon == std::string::npos || colon == 0) {
            return std::nullopt;
        }
        const std::string key = line.substr(0, colon);
        const std::string value = line.substr(colon + 2);
        if (key == "design") {
            record.design = value;
            hasDesign = true;
            continue;
        }
        RecordedSet set{key, {}};
        std::istringstream names(value);
        for (std::string name; names >> name;) {
            set.files.push_back(name);
        }
        if (set.files.empty()) {
            return std::nullopt;
        }
        record.sets.push_back(std::move(set));
    }
    return hasDesign ? std::optional<ResultsRecord>(record) : std::nullopt;
}

bool contains(const std::vector<std::string>& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool sharesFiles(const std::vector<std::string>& a, const std::vector<std::string>& b) {
    return std::any_of(a.begin(), a.end(),
                       [&](const std::string& name) { return contains(b, name); });
}

bool entryExists(const fs::path& path) {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(path, ignored));
}

std::string readWholeFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// What the directory already holds, measured against the new results.
struct DirectoryReview {
    std::vector<std::string> otherDesign;  // kinds of results of another design
    std::vector<std::string> otherKind;    // kinds that write some of the same files
    std::vector<std::string> unrecorded;   // files of the set that no run recorded
    bool damagedRecord = false;
    std::vector<std::string> replacedFiles;
    std::vector<std::string> keptLines;

    bool conflicts() const {
        return !otherDesign.empty() || !otherKind.empty() || !unrecorded.empty() || damagedRecord;
    }
};

DirectoryReview reviewDirectory(const fs::path& directory, const ResultSet& results) {
    DirectoryReview review;
    std::vector<std::string> recorded;
    const fs::path recordPath = directory / resultsRecordName;
    if (entryExists(recordPath)) {
        const std::optional<ResultsRecord> record = parseRecord(readWholeFile(recordPath));
        review.damagedRecord = !record;
        for (const RecordedSet& set : record ? record->sets : std::vector<RecordedSet>{}) {
            recorded.insert(recorded.end(), set.files.begin(), set.files.end());
            const bool sameDesign = record->design == results.design;
            const bool replaced = sameDesign && set.kind == results.kind;
            if (!sameDesign) {
                review.otherDesign.push_back(set.kind);
            } else if (!replaced && sharesFiles(set.files, results.files)) {
                review.otherKind.push_back(set.kind);
            } else if (!replaced) {
                review.keptLines.push_back(recordLine(set.kind, set.files));
                continue;
            }
            review.replacedFiles.insert(review.replacedFiles.end(), set.files.begin(),
                                        set.files.end());
        }
    }
    for (const std::string& name : results.files) {
        if (!contains(recorded, name) && entryExists(directory / name)) {
            review.unrecorded.push_back(name);
        }
    }
    return review;
}

std::string conflictText(const fs::path& directory, const DirectoryReview& review) {
    std::vector<std::string> parts;
    if (!review.otherDesign.empty()) {
        parts.push_back("results of another design (" + joined(review.otherDesign, ", ") + ")");
    }
    if (!review.otherKind.empty()) {
        parts.push_back("results of another kind (" + joined(review.otherKind, ", ") + ")");
    }
    if (!review.unrecorded.empty()) {
        parts.push_back("files no run of quillmere-design recorded (" +
                        joined(review.unrecorded, ", ") + ")");
    }
    if (review.damagedRecord) {
        parts.push_back("a damaged record of its results (" + std::string(resultsRecordName) + ")");
    }
    return "The output directory (" + directory.string() + ") holds " + joined(parts, " and ") +
           ". Give --force to replace them, or choose another directory.";
}

// A file the commit would move or remove that the run reads.
std::optional<std::string> inputProblem(const fs::path& directory, const std::string& name,
                                        const std::vector<fs::path>& inputs) {
    std::error_code error;
    for (const fs::path& input : inputs) {
        if (fs::equivalent(directory / name, input, error)) {
            return "The output directory (" + directory.string() + ") holds (" + name +
                   "), an input of this run; choose another directory.";
        }
    }
    return std::nullopt;
}

// The commit moves files only, never a directory of the user's.
std::optional<std::string> notFileProblem(const fs::path& directory, const std::string& name) {
    std::error_code error;
    const fs::file_status status = fs::symlink_status(directory / name, error);
    if (fs::exists(status) && !fs::is_regular_file(status) && !fs::is_symlink(status)) {
        return "The output directory (" + directory.string() + ") holds (" + name +
               "), which is not a file; a result file goes there.";
    }
    return std::nullopt;
}

// The directories create_directories will make for `directory`, outermost first.
std::vector<fs::path> missingDirectories(const fs::path& directory) {
    std::vector<fs::path> missing;
    for (fs::path path = directory; !path.empty() && !entryExists(path);
         path = path.parent_path()) {
        missing.insert(missing.begin(), path);
        if (path == path.parent_path()) {
            break;
        }
    }
    return missing;
}

std::string reason(const std::error_code& error) {
    return error.message();
}

// A directory of this run's own inside `directory`, for this user only: a
// random name tried until one is free (creating a directory either makes a
// new one or fails, on every system).
fs::path makeStagingDirectory(const fs::path& directory, std::error_code& error) {
    static constexpr std::string_view letters =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name = stagingPrefix;
        for (int i = 0; i < 6; ++i) {
            name += letters[entropy() % letters.size()];
        }
        const fs::path staging = directory / name;
        if (fs::create_directory(staging, error)) {
            fs::permissions(staging, fs::perms::owner_all, error);
            return error ? fs::path() : staging;
        }
        if (error) {
            return {};
        }
    }
    error = std::make_error_code(std::errc::file_exists);
    return {};
}

}  // namespace

StagedResults::StagedResults(OutputRequest request) : request_(std::move(request)) {
    const fs::path& directory = request_.directory;
    std::error_code error;
    if (entryExists(directory) && !fs::is_directory(directory, error)) {
        problem_ = "The output directory (" + directory.string() + ") is not a directory.";
        return;
    }
    createdDirectories_ = missingDirectories(directory);
    if (!createdDirectories_.empty() && !fs::create_directories(directory, error)) {
        problem_ = "The output directory (" + directory.string() + ") cannot be created (" +
                   reason(error) + ").";
        return;
    }
    lock_.emplace(directory);
    if (lock_->state() == DirectoryLock::State::Busy) {
        problem_ = "The output directory (" + directory.string() +
                   ") is in use by another run of quillmere-design; wait until it ends, or "
                   "choose another directory.";
        return;
    }
    const DirectoryReview review =
        request_.recorded ? reviewDirectory(directory, request_.results) : DirectoryReview{};
    std::vector<std::string> touched = request_.results.files;
    if (request_.recorded) {
        touched.push_back(resultsRecordName);
    }
    touched.insert(touched.end(), review.replacedFiles.begin(), review.replacedFiles.end());
    for (const std::string& name : touched) {
        if ((problem_ = inputProblem(directory, name, request_.inputs))) {
            return;
        }
    }
    if (review.conflicts() && !request_.force) {
        problem_ = conflictText(directory, review);
        return;
    }
    for (const std::string& name : touched) {
        if ((problem_ = notFileProblem(directory, name))) {
            return;
        }
    }
    replacedFiles_ = review.replacedFiles;
    keptRecord_ = review.keptLines;
    staging_ = makeStagingDirectory(directory, error);
    if (staging_.empty()) {
        problem_ = "The output directory (" + directory.string() + ") is not writable (" +
                   reason(error) + ").";
    }
}

StagedResults::~StagedResults() {
    std::error_code ignored;
    if (!staging_.empty()) {
        fs::remove_all(staging_, ignored);
    }
    lock_.reset();
    if (!committed_) {
        // Only directories left empty: remove refuses any other.
        for (auto created = createdDirectories_.rbegin(); created != createdDirectories_.rend();
             ++created) {
            fs::remove(*created, ignored);
        }
    }
}

fs::path StagedResults::path(const std::string& name) const {
    return staging_ / name;
}

std::optional<std::string> StagedResults::commit() {
    if (problem_) {
        return problem_;
    }
    const fs::path& directory = request_.directory;
    const std::string failure = "Failure to write the results into (" + directory.string() + ")";
    if (request_.recorded) {
        std::ofstream record(path(resultsRecordName), std::ios::binary);
        record << recordTitle << "\ndesign: " << request_.results.design << '\n';
        for (const std::string& line : keptRecord_) {
            record << line << '\n';
        }
        record << recordLine(request_.results.kind, request_.results.files) << '\n';
        record.close();
        if (!record) {
            return failure + "; the directory is as it was.";
        }
    }
    std::vector<std::string> incoming = request_.results.files;
    if (request_.recorded) {
        incoming.push_back(resultsRecordName);
    }
    for (const std::string& name : incoming) {
        if (!entryExists(path(name))) {
            return failure + ": (" + name + ") was not written; the directory is as it was.";
        }
    }
    std::vector<std::string> outgoing = incoming;
    for (const std::string& name : replacedFiles_) {
        if (!contains(outgoing, name)) {
            outgoing.push_back(name);
        }
    }
    const fs::path previous = staging_ / "previous";
    std::error_code error;
    fs::create_directory(previous, error);
    // Every move is a rename within the directory, so each one either happens
    // or not; a failed one undoes those before it.
    std::vector<std::pair<fs::path, fs::path>> moved;
    const auto move = [&](const fs::path& from, const fs::path& to) {
        fs::rename(from, to, error);
        if (!error) {
            moved.emplace_back(from, to);
        }
        return !error;
    };
    bool complete = !error;
    for (std::size_t i = 0; complete && i < outgoing.size(); ++i) {
        if (entryExists(directory / outgoing[i])) {
            complete = move(directory / outgoing[i], previous / outgoing[i]);
        }
    }
    for (std::size_t i = 0; complete && i < incoming.size(); ++i) {
        complete = move(path(incoming[i]), directory / incoming[i]);
    }
    if (!complete) {
        const std::string why = reason(error);
        std::error_code ignored;
        for (auto step = moved.rbegin(); step != moved.rend(); ++step) {
            fs::rename(step->second, step->first, ignored);
        }
        return failure + " (" + why + "); the directory is as it was.";
    }
    committed_ = true;
    return std::nullopt;
}

}  // namespace quillmere
