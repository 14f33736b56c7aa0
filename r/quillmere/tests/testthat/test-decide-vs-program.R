# qm_decide against the built quillmere program on the same directories: the
# advice, the reported probability as the report shows it, the prior-only
# warning and, for bad inputs, the exit status and the program's text.

expect_same_as_program <- function(directory, answer) {
  outcome <- tryCatch(qm_decide(qm_read_trial(directory, answer)),
                      quillmere_error = function(error) error)
  run <- run_quillmere(copy_trial(directory), answer)
  if (inherits(outcome, "quillmere_error")) {
    expect_identical(run$status, outcome$exit_status %% 256L)
    expect_true(grepl(outcome$console_text, run$output, fixed = TRUE),
                label = paste("the program shows:", outcome$console_text))
    return(invisible("error"))
  }
  expect_identical(run$status, 0L)
  result_line <- sprintf("RESULTS: %s=%g", quillmere:::probability_label(outcome$rule),
                         outcome$probability)
  expect_true(result_line %in% run$report, label = result_line)
  expect_true(quillmere:::comparison_text(outcome) %in% run$report)
  advice <- if (outcome$terminate) "We suggest to TERMINATE" else "We suggest to CONTINUE"
  expect_true(grepl(advice, run$output, fixed = TRUE))
  if (is.na(outcome$warning)) {
    expect_false(grepl("WARNING", run$output, fixed = TRUE))
  } else {
    expect_true(grepl(outcome$warning, run$output, fixed = TRUE))
  }
  invisible(if (outcome$terminate) "terminate" else "continue")
}

test_that("qm_decide equals quillmere on the bundled examples and reference runs", {
  quillmere_program()
  expect_same_as_program(extdata("toxicity"), 1)
  expect_same_as_program(extdata("efficacy"), 2)
  expect_same_as_program(extdata("diseaseprogression"), 3)
  for (i in seq_len(nrow(reference_runs))) {
    expect_same_as_program(extdata("reference-runs", reference_runs$directory[i]),
                           reference_runs$answer[i])
  }
})

# A random trial directory written by hand (numbers with 17 significant
# digits, so that every double reads back exactly); one in five carries a
# problem the program refuses.
random_trial_directory <- function(index) {
  types <- c("Toxicity", "Efficacy", "DiseaseProgression")
  files <- c("data_toxicity.txt", "data_efficacy.txt", "data_diseaseProgression.txt")
  labels <- c("TOXICITY_EVENT", "EFFICACY_EVENT", "DISEASEPROGRESSION_EVENT")
  configs <- c("TrialConfig_Toxicity.config", "TrialConfig_Efficacy.config",
               "TrialConfig_DiseaseProgression.config")
  type <- (index - 1L) %% 3L + 1L
  window <- c(28, 90, 12.5, 3)[(index - 1L) %% 4L + 1L]
  n <- sample(3:40, 1)
  follow_up <- runif(n, 0.01, 2) * window
  event <- as.integer(runif(n) < 0.3)
  time <- ifelse(event == 1L, runif(n) * pmin(follow_up, window), pmin(follow_up, window))
  rate_bound <- round(runif(1, 0.1, 0.6), 3)
  cutoff <- round(runif(1, 0.5, 0.95), 3)
  if (index %% 5L == 0L) {
    switch((index %/% 5L) %% 3L + 1L,
      rate_bound <- 1.25,
      time[n] <- window * 1.5,
      event[n] <- 2L
    )
  }
  directory <- tempfile("random-trial-")
  dir.create(directory)
  writeLines(c(sprintf("TrialType = %s", types[type]),
               sprintf("RateBound = %.17g", rate_bound),
               sprintf("CutoffProbability = %.17g", cutoff),
               sprintf("MaxEvaluationWindow = %.17g", window),
               sprintf("InputDataFileName = %s", files[type])),
             file.path(directory, configs[type]))
  writeLines(c(sprintf("PatientData %s TimeToEvent FollowUpTime", labels[type]),
               sprintf("R%03d %d %.17g %.17g", seq_len(n), event, time, follow_up)),
             file.path(directory, files[type]))
  list(directory = directory, answer = type)
}

test_that("qm_decide equals quillmere on random trial directories", {
  quillmere_program()
  set.seed(20240611)
  kinds <- character()
  for (index in 1:30) {
    trial <- random_trial_directory(index)
    kinds <- c(kinds, expect_same_as_program(trial$directory, trial$answer))
  }
  # The sample covers refused inputs and both advices.
  expect_true(all(c("error", "continue", "terminate") %in% kinds))
})
