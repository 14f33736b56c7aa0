# Inputs are refused where they are typed, as quillmere_input_error, instead
# of being taken silently or failing in a later step.

typed_rule <- qm_rule("toxicity", 0.3, 0.9, 90)
typed_patients <- data.frame(id = c("P01", "P02", "P03"), event = c(1, 0, 0),
                             time = c(20, 90, 35), follow_up = c(120, 100, 35))
with_column <- function(column, values) {
  patients <- typed_patients
  patients[[column]] <- values
  patients
}

# The refusal of each call, and its message.
expect_refused <- function(call, pattern, label) {
  error <- tryCatch(call(), error = function(error) error)
  expect_s3_class(error, "quillmere_input_error")
  expect_match(conditionMessage(error), pattern, label = label)
  invisible(error)
}

test_that("patients typed in R are refused where the data file or quillmere would refuse them", {
  refused_patients <- list(
    list("white space", with_column("id", c("P01", "P 02", "P03")),
         "^The identifier of patient number 2 \\(P 02\\) holds white space"),
    list("tab", with_column("id", c("P01", "P02", "P\t03")), "patient number 3 .* white space"),
    list("empty", with_column("id", c("P01", "", "P03")), "patient number 2 is empty"),
    list("NA", with_column("id", c("P01", "P02", NA)), "patient number 3 is NA"),
    list("duplicate", with_column("id", c("P01", "P02", "P01")),
         "^The identifier P01 is given to patients number 1 and 3"),
    list("non-event time below the follow-up", with_column("time", c(20, 90, 30)),
         "^For patient P03, no event was observed, so the event time must be .* \\(35\\), not 30"),
    list("non-event time beyond the window", with_column("time", c(20, 100, 35)),
         "^For patient P02, event time is not allowed to be larger than maximum follow up time"),
    list("event after the follow-up", with_column("follow_up", c(10, 100, 35)),
         "^For patient P01, event time is larger than follow-up time which is impossible"),
    list("no follow-up", with_column("follow_up", c(120, 100, 0)),
         "^For patient P03, follow-up time is 0")
  )
  for (case in refused_patients) {
    patients <- case[[2]]
    expect_refused(function() qm_trial(typed_rule, patients), case[[3]], case[[1]])
    expect_refused(function() qm_decide(typed_rule, patients), case[[3]], case[[1]])
    expect_refused(function() qm_stability(typed_rule, patients, runs = 2, threads = 1),
                   case[[3]], case[[1]])
  }
})

test_that("trial files are written only with identifiers the data file can hold", {
  for (id in list(c("P01", "P 02", "P03"), c("P01", "", "P03"), c("P01", NA, "P03"),
                  c("P01", "P01", "P03"))) {
    trial <- structure(list(rule = typed_rule, patients = with_column("id", id)),
                       class = "qm_trial")
    directory <- tempfile("refused-")
    expect_refused(function() qm_write_trial(trial, directory), "identifier", toString(id))
    expect_false(dir.exists(directory))
  }
})

test_that("event types, directories, files and arguments given with a trial are refused at once", {
  toxicity <- extdata("toxicity")
  trial <- qm_read_trial(toxicity, "toxicity")
  empty <- tempfile("empty-")
  dir.create(empty)
  design <- qm_read_design(extdata("design", "toxicity.design"))
  refusals <- list(
    list("answer NA", function() qm_read_trial(toxicity, NA),
         "^The event-type answer must be 1, 2 or 3 \\(it was NA\\)\\.$"),
    list("answer 1.5", function() qm_read_trial(toxicity, 1.5), "\\(it was 1\\.5\\)\\.$"),
    list("answer 4", function() qm_read_trial(toxicity, answer = 4), "\\(it was 4\\)\\.$"),
    list("answer 0", function() qm_read_trial(toxicity, 0L), "\\(it was 0\\)\\.$"),
    list("two answers", function() qm_read_trial(toxicity, c(1, 2)), "\\(it was c\\(1, 2\\)\\)"),
    list("unknown name", function() qm_read_trial(toxicity, "toxic"),
         "^The event type must be toxicity, efficacy or disease progression, .*\\(it was \"toxic\"\\)"),
    list("no event type", function() qm_read_trial(toxicity), "needs the event type"),
    list("rule type number", function() qm_rule(5, 0.3, 0.9, 90), "\\(it was 5\\)"),
    list("missing directory", function() qm_read_trial(file.path(empty, "none"), 1),
         "^The trial directory \\(.*none\\) does not exist\\.$"),
    list("no configuration", function() qm_read_trial(empty, "efficacy"),
         "^Failure to load file \\(TrialConfig_Efficacy\\.config\\): the directory .* holds no such file\\.$"),
    list("patients with a trial", function() qm_decide(trial, typed_patients),
         "^qm_decide takes the patients of the trial"),
    list("patients with a trial", function() qm_stability(trial, typed_patients, runs = 2),
         "^qm_stability takes the patients of the trial"),
    list("impossible design path", function() qm_write_design(design, file.path(empty, "a", "b.design")),
         "^The design file \\(.*b\\.design\\) could not be written\\.$"),
    list("design path a directory", function() qm_write_design(design, empty),
         "could not be written")
  )
  for (case in refusals) {
    expect_refused(case[[2]], case[[3]], case[[1]])
  }
})

test_that("the event type is taken by name or by quillmere's answer", {
  names <- list(
    list("toxicity", 1, c("toxicity", "Toxicity", "TOXICITY")),
    list("efficacy", 2, c("efficacy", "Efficacy")),
    list("diseaseprogression", 3,
         c("disease progression", "DiseaseProgression", "disease_progression", "Disease-Progression"))
  )
  for (case in names) {
    directory <- extdata(case[[1]])
    by_number <- qm_read_trial(directory, case[[2]])
    expect_identical(qm_read_trial(directory, answer = case[[2]]), by_number)
    for (name in case[[3]]) {
      expect_identical(qm_read_trial(directory, name), by_number, label = name)
      expect_identical(qm_read_trial(directory, event_type = name), by_number, label = name)
      expect_identical(qm_rule(name, 0.3, 0.9, 30)$type, by_number$rule$type, label = name)
    }
    expect_identical(qm_rule(case[[2]], 0.3, 0.9, 30)$type, by_number$rule$type)
  }
})

test_that("a trial of one's own decides as its rule and patients do, and as quillmere on its files", {
  trial <- qm_trial(typed_rule, typed_patients)
  expect_s3_class(trial, "qm_trial")
  expect_identical(qm_decide(trial), qm_decide(typed_rule, typed_patients))
  directory <- tempfile("own-")
  written <- qm_write_trial(trial, directory)
  read <- qm_read_trial(directory, "toxicity")
  expect_identical(read$source, list(dir = directory, answer = 1L))
  read$source <- NULL
  expect_identical(read, trial)
  expect_identical(written$answer, 1L)
})

test_that("a time limit during a long run reaches R as the error it is, and the session goes on", {
  design <- qm_read_design(extdata("design", "toxicity.design"))
  error <- tryCatch({
    setTimeLimit(elapsed = 0.5, transient = TRUE)
    simulate(design, nsim = 1000000, threads = 1)
  }, error = function(error) error)
  setTimeLimit()
  expect_s3_class(error, "error")
  expect_false(inherits(error, "quillmere_error"))
  expect_match(conditionMessage(error), "time limit")
  expect_s3_class(simulate(design, nsim = 3, threads = 1), "qm_simulation")
})

test_that("long runs without a number of threads use the machine's cores, with the same results", {
  design <- qm_read_design(extdata("design", "toxicity.design"))
  expect_identical(simulate(design, nsim = 4)$replicates,
                   simulate(design, nsim = 4, threads = 1)$replicates)
})
