#include "design_cli/staged_results.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <map>

#include "design/design_test_support.h"
#include "support/immutable_attribute.h"

namespace quillmere {
namespace {

namespace fs = std::filesystem;
using testing::freshDirectory;
using testing::readText;
using testing::setImmutable;
using testing::writeText;

std::map<std::string, std::string> filesOf(const fs::path& directory) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(directory)) {
        files[entry.path().lexically_relative(directory).string()] =
            entry.is_directory() ? "<directory>" : readText(entry.path());
    }
    return files;
}

// Writes each file with its name and `tag` as contents, then commits.
std::optional<std::string> writeSet(const fs::path& directory, const ResultSet& set,
                                    const std::string& tag, bool force = false) {
    StagedResults staged({directory, set, force, {}});
    if (staged.problem()) {
        return staged.problem();
    }
    for (const std::string& name : set.files) {
        writeText(staged.path(name), name + " " + tag);
    }
    return staged.commit();
}

std::string record(const fs::path& directory) {
    return readText(directory / resultsRecordName);
}

TEST(StagedResults, ARunOfTheSameKindAndDesignReplacesItsFilesWhole) {
    const fs::path directory = freshDirectory("staged-rerun");
    ASSERT_EQ(writeSet(directory, {"units", "D", {"units.csv", "units_same_looks.csv"}}, "1"),
              std::nullopt);
    ASSERT_EQ(writeSet(directory, {"units", "D", {"units.csv"}}, "2"), std::nullopt);
    // No file of the earlier run survives to contradict the new one.
    EXPECT_EQ(filesOf(directory),
              (std::map<std::string, std::string>{{"units.csv", "units.csv 2"},
                                                  {resultsRecordName, record(directory)}}));
    EXPECT_EQ(record(directory),
              "# quillmere-design: which run wrote which files of this directory\n"
              "design: D\nunits: units.csv\n");
}

TEST(StagedResults, KindsOfTheSameDesignSitBesideEachOther) {
    const fs::path directory = freshDirectory("staged-kinds");
    ASSERT_EQ(writeSet(directory, {"simulate", "D", {"replicates.csv", "a.csv"}}, "1"),
              std::nullopt);
    ASSERT_EQ(writeSet(directory, {"boundaries", "D", {"boundaries.csv"}}, "1"), std::nullopt);
    EXPECT_EQ(record(directory),
              "# quillmere-design: which run wrote which files of this directory\n"
              "design: D\nsimulate: replicates.csv a.csv\nboundaries: boundaries.csv\n");
    // A shard would contradict the whole run beside it.
    EXPECT_EQ(writeSet(directory, {"shard 1-3", "D", {"replicates.csv"}}, "2"),
              "The output directory (" + directory.string() +
                  ") holds results of another kind (simulate). Give --force to replace them, or "
                  "choose another directory.");
    // Forced, it replaces the whole run and keeps what does not contradict it.
    ASSERT_EQ(writeSet(directory, {"shard 1-3", "D", {"replicates.csv"}}, "2", true), std::nullopt);
    EXPECT_EQ(filesOf(directory),
              (std::map<std::string, std::string>{{"boundaries.csv", "boundaries.csv 1"},
                                                  {"replicates.csv", "replicates.csv 2"},
                                                  {resultsRecordName, record(directory)}}));
    EXPECT_EQ(record(directory),
              "# quillmere-design: which run wrote which files of this directory\n"
              "design: D\nboundaries: boundaries.csv\nshard 1-3: replicates.csv\n");
}

TEST(StagedResults, ForcedResultsOfAnotherDesignRemoveEveryEarlierSet) {
    const fs::path directory = freshDirectory("staged-design");
    ASSERT_EQ(writeSet(directory, {"simulate", "D", {"replicates.csv"}}, "1"), std::nullopt);
    ASSERT_EQ(writeSet(directory, {"boundaries", "D", {"boundaries.csv"}}, "1"), std::nullopt);
    writeText(directory / "notes.txt", "mine");
    ASSERT_EQ(writeSet(directory, {"boundaries", "E", {"boundaries.csv"}}, "2", true),
              std::nullopt);
    // The user's own file stays; nothing of design D does.
    EXPECT_EQ(filesOf(directory),
              (std::map<std::string, std::string>{{"boundaries.csv", "boundaries.csv 2"},
                                                  {"notes.txt", "mine"},
                                                  {resultsRecordName, record(directory)}}));
}

TEST(StagedResults, AnUncommittedRunLeavesNothingBehind) {
    const fs::path parent = freshDirectory("staged-abandoned");
    const fs::path directory = parent / "new" / "results";
    {
        StagedResults staged({directory, {"boundaries", "D", {"boundaries.csv"}}, false, {}});
        ASSERT_EQ(staged.problem(), std::nullopt);
        writeText(staged.path("boundaries.csv"), "half");
        EXPECT_TRUE(fs::exists(directory));  // checked and created before any work
    }
    EXPECT_TRUE(fs::is_empty(parent));  // the directories it created are gone again
}

TEST(StagedResults, AStagingDirectoryOfAKilledRunIsNoResult) {
    const fs::path directory = freshDirectory("staged-stale");
    fs::create_directories(directory / ".quillmere-design-partial-AbCdEf");
    EXPECT_EQ(writeSet(directory, {"boundaries", "D", {"boundaries.csv"}}, "1"), std::nullopt);
}

// A move that fails halfway through the commit is undone: the files moved
// before it go back.
TEST(StagedResults, ACommitThatFailsHalfwayPutsEverythingBack) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "only root can make a file that cannot be moved";
    }
    const fs::path directory = freshDirectory("staged-halfway");
    const std::vector<std::string> names = {"a.csv", "b.csv", "c.csv"};
    ASSERT_EQ(writeSet(directory, {"simulate", "D", names}, "1"), std::nullopt);
    const auto before = filesOf(directory);
    StagedResults staged({directory, {"simulate", "D", names}, false, {}});
    ASSERT_EQ(staged.problem(), std::nullopt);
    for (const std::string& name : names) {
        writeText(staged.path(name), name + " 2");
    }
    if (!setImmutable(directory / "c.csv", true)) {
        GTEST_SKIP() << "this file system has no immutable attribute";
    }
    const std::optional<std::string> problem = staged.commit();
    setImmutable(directory / "c.csv", false);
    ASSERT_TRUE(problem);
    EXPECT_EQ(*problem, "Failure to write the results into (" + directory.string() +
                            ") (Operation not permitted); the directory is as it was.");
    auto after = filesOf(directory);
    for (auto it = after.begin(); it != after.end();) {  // the staging directory goes at the end
        it = it->first.rfind(".quillmere-design-partial-", 0) == 0 ? after.erase(it) : ++it;
    }
    EXPECT_EQ(after, before);
}

// One run at a time per directory; the lock goes with the run that held it.
TEST(StagedResults, ASecondRunIntoADirectoryInUseIsRefused) {
    const fs::path directory = freshDirectory("staged-busy");
    const ResultSet set{"simulate", "D", {"replicates.csv"}};
    std::optional<std::string> refused;
    {
        StagedResults first({directory, set, false, {}});
        ASSERT_EQ(first.problem(), std::nullopt);
        EXPECT_TRUE(fs::exists(directory / directoryLockName));
        {
            DirectoryLock again(directory);
            EXPECT_EQ(again.state(), DirectoryLock::State::Busy);
        }
        for (const bool force : {false, true}) {
            StagedResults second({directory, set, force, {}});
            refused = second.problem();
            EXPECT_EQ(refused, "The output directory (" + directory.string() +
                                   ") is in use by another run of quillmere-design; wait until "
                                   "it ends, or choose another directory.");
        }
        writeText(first.path("replicates.csv"), "first");
        ASSERT_EQ(first.commit(), std::nullopt);
    }
    EXPECT_EQ(filesOf(directory),
              (std::map<std::string, std::string>{{"replicates.csv", "first"},
                                                  {resultsRecordName, record(directory)}}));
    DirectoryLock afterwards(directory);
    EXPECT_EQ(afterwards.state(), DirectoryLock::State::Held);
}

// A refused run that would have created the directory leaves it to the run
// that holds it; a lock file a killed run left is taken over.
TEST(StagedResults, ARefusedRunLeavesTheHoldersDirectoryAndAStaleLockIsTaken) {
    const fs::path directory = freshDirectory("staged-busy-new") / "results";
    const ResultSet set{"boundaries", "D", {"boundaries.csv"}};
    {
        StagedResults first({directory, set, false, {}});
        ASSERT_EQ(first.problem(), std::nullopt);
        { StagedResults second({directory, set, false, {}}); }
        EXPECT_TRUE(fs::is_directory(directory));
        writeText(first.path("boundaries.csv"), "1");
        ASSERT_EQ(first.commit(), std::nullopt);
    }
    writeText(directory / directoryLockName, "");
    EXPECT_EQ(writeSet(directory, set, "2"), std::nullopt);
    EXPECT_EQ(readText(directory / "boundaries.csv"), "boundaries.csv 2");
}

}  // namespace
}  // namespace quillmere
