test_that("a rule's problems are all reported at once, in the program's words", {
  error <- tryCatch(qm_rule("Tox", 1, NaN, -3), quillmere_input_error = function(error) error)
  expect_s3_class(error, "quillmere_input_error")
  expect_identical(strsplit(conditionMessage(error), "\n", fixed = TRUE)[[1]], c(
    "Type of event provided (TOX) is not appropriate. Limit inputs to Toxicity, Efficacy, or DiseaseProgression",
    "The Rate Bound was set to (1). This value must lay within the open interval (0,1).",
    "The Cutoff Probability was set to (nan). This value is not a finite number.",
    "The MaxEvaluationWindow was set to (-3). This value must be greater than zero."))
  expect_error(qm_rule("toxicity", 1e-8, 0.9, 90), "too close to 0 or 1",
               class = "quillmere_input_error")
  expect_error(qm_rule("toxicity", "0.3", 0.9, 90), "rate_bound must be a single number",
               class = "quillmere_input_error")
  expect_identical(qm_rule("diseaseprogression", 0.3, 0.9, 90)$type, "DiseaseProgression")
})

test_that("the rule's messages are the lines the program shows for the same configuration", {
  quillmere_program()
  directory <- tempfile("bad-config-")
  dir.create(directory)
  writeLines(c("TrialType = Tox", "RateBound = 1", "CutoffProbability = 0.9",
               "MaxEvaluationWindow = -3", "InputDataFileName = data_toxicity.txt"),
             file.path(directory, "TrialConfig_Toxicity.config"))
  error <- tryCatch(qm_rule("Tox", 1, 0.9, -3), quillmere_input_error = function(error) error)
  run <- run_quillmere(directory, 1)
  expect_identical(run$status, 2L)
  expect_true(grepl(conditionMessage(error), run$output, fixed = TRUE))
})

test_that("bad trial files and bad patients are input errors with the program's text and status", {
  directory <- copy_trial(extdata("toxicity"))
  unlink(file.path(directory, "data_toxicity.txt"))
  error <- tryCatch(qm_read_trial(directory, 1), quillmere_input_error = function(error) error)
  expect_identical(conditionMessage(error), "The data file does not exist!")
  expect_identical(error$exit_status, -1L)
  expect_error(qm_read_trial(tempfile(), 2), "^The trial directory .* does not exist\\.$",
               class = "quillmere_input_error")
  expect_error(qm_read_trial(extdata("toxicity"), 4), "must be 1, 2 or 3",
               class = "quillmere_input_error")

  rule <- qm_rule("toxicity", 0.3, 0.9, 90)
  patients <- data.frame(id = c("A", "B"), event = c(1, 0), time = c(95, 10),
                         follow_up = c(100, 10))
  error <- tryCatch(qm_decide(rule, patients), quillmere_input_error = function(error) error)
  expect_identical(error$exit_status, -1L)
  expect_match(conditionMessage(error), "A")
  expect_error(qm_decide(rule, patients[, 1:3]), "no column follow_up",
               class = "quillmere_input_error")
  expect_error(qm_decide(rule, transform(patients, event = c(0.5, 0))), "whole numbers",
               class = "quillmere_input_error")
  expect_error(qm_decide(rule), "needs the patients", class = "quillmere_input_error")
  many <- data.frame(id = sprintf("P%03d", 1:501), event = 0L, time = 90, follow_up = 90)
  expect_error(qm_decide(rule, many), "exceed the limits", class = "quillmere_input_error")
})

test_that("a sampler that stops with a code is an engine error carrying the code", {
  # A window far beyond what the checks admit makes the sampler give up; the
  # checks keep it from the public functions, so the engine is called directly.
  rule <- list(type = "Toxicity", rate_bound = 0.3, cutoff = 0.9, window = 1e300)
  patients <- data.frame(id = c("A", "B", "C"), event = c(1L, 0L, 0L), time = c(1e299, 0, 0),
                         follow_up = c(1e300, 5e299, 1e299))
  result <- quillmere:::decide_unchecked_cpp(rule, patients)
  error <- tryCatch(quillmere:::unwrap(result), quillmere_error = function(error) error)
  expect_s3_class(error, "quillmere_engine_error")
  expect_identical(error$sampler_code, 1008L)
  expect_identical(error$exit_status, 1L)
  expect_identical(conditionMessage(error), "error code (beta0): 1008")
})
