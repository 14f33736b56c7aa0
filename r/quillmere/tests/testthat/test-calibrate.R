test_that("qm_calibrate equals the companion's calibration files and chosen cut-off", {
  design_program()
  for (type in c("Toxicity", "Efficacy", "DiseaseProgression")) {
    design <- calibration_design(type)
    run <- run_companion(design, "calibrate", "--threads", "2")
    out <- run$out
    calibration <- calibrate_quietly(design, threads = 2)
    expect_csv_equal(calibration$calibration, file.path(out, "calibration.csv"),
                     calibration_formats)
    expect_csv_equal(calibration$looks, without_comments(file.path(out, "calibration_looks.csv")),
                     look_formats)
    shown <- strsplit(run$output, "\n", fixed = TRUE)[[1]]
    printed <- capture.output(print(calibration))
    chosen <- grep("^Smallest such cut-off", shown, value = TRUE)
    expect_length(chosen, 1L)
    expect_identical(grep("^Smallest such cut-off", printed, value = TRUE), chosen)
  }
})

test_that("at a cut-off of the calibration, simulate gives the same figures", {
  design <- calibration_design("Efficacy", trials = 12, seed = 5)
  calibration <- calibrate_quietly(design)
  # The calibration rate is a third scenario: a design listing it there draws the same patients.
  expect_identical(calibration$rates, c(0.15, 0.45, 0.3))
  cutoffs <- unique(calibration$calibration$cutoff)
  for (cutoff in cutoffs[unique(round(seq(1, length(cutoffs), length.out = 4)))]) {
    rule <- qm_rule("Efficacy", 0.3, cutoff, 90)
    at <- qm_design(rule, 16, 0.25, 6, 4, calibration$rates, 1.2, seed = 5, trials = 12,
                    min_completed = 2)
    oc <- simulate(at)$oc
    rows <- calibration$calibration[calibration$calibration$cutoff == cutoff, ]
    expect_identical(rows$p_early_stop, oc$early_stop_probability)
    expect_identical(rows$expected_patients, oc$expected_patients)
    expect_identical(rows$expected_duration, oc$expected_duration)
    expect_identical(c(rows$p_low, rows$p_high), c(oc$early_stop_ci_low, oc$early_stop_ci_high))
  }
  # The chosen cut-off is the smallest that keeps stopping at the calibration rate within the limit.
  table <- calibration$calibration
  within <- table$cutoff[table$rate == 0.3 & table$p_early_stop <= 0.25]
  expect_identical(calibration$chosen_cutoff, if (length(within)) min(within) else NA_real_)
})

test_that("calibration shards combine into the whole calibration, and only those of one design", {
  design <- calibration_design("Toxicity", trials = 7, seed = 9)
  whole <- calibrate_quietly(design)
  first <- qm_calibrate(design, replicates = c(1, 3))
  second <- qm_calibrate(design, replicates = c(4, 7), threads = 2)
  expect_false(first$complete)
  expect_null(first$calibration)
  merged <- c(second, first)
  expect_true(merged$complete)
  expect_identical(merged$looks, whole$looks)
  expect_identical(merged$calibration, whole$calibration)
  expect_identical(merged$oc, whole$oc)
  expect_error(c(first, qm_calibrate(design, replicates = c(3, 7))),
               "Replicates 3-3 appear in more than one part.", fixed = TRUE,
               class = "quillmere_input_error")
  other_rate <- qm_design(design$rule, 16, 0.25, 6, 4, c(0.15, 0.45), 1.2, seed = 9, trials = 7,
                          min_completed = 2, calibration_rate = 0.2, max_error_stop = 0.25)
  expect_error(c(first, qm_calibrate(other_rate, replicates = c(4, 7))), "different designs",
               class = "quillmere_input_error")
  expect_error(c(first, simulate(design, replicates = c(4, 7))), "qm_merge combines",
               class = "quillmere_input_error")
})

test_that("a calibration needs both calibration settings and prints and plots its result", {
  expect_error(qm_calibrate(small_design(calibration_rate = 0.3)), "max_error_stop",
               class = "quillmere_input_error")
  expect_warning(calibration <- qm_calibrate(calibration_design("Toxicity", trials = 6, seed = 3)),
                 class = "quillmere_precision_warning")
  text <- capture.output(print(calibration))
  expect_match(text[2], "true rate of 0.3; its probability must be at most 0.25", fixed = TRUE)
  # Three rates (the calibration rate among them, in order) each with its
  # standard error and interval, and the note below the table.
  rows <- grep("^ +0\\.[0-9]+ +[0-9.]+  \\([0-9.]+\\)  \\[[0-9.]+, [0-9.]+\\]", text, value = TRUE)
  expect_identical(as.numeric(sub("^ +([0-9.]+) .*", "\\1", rows)), c(0.15, 0.3, 0.45))
  expect_length(grep("^\\(s.e.: Monte Carlo standard error", text), 1L)
  expect_identical(summary(calibration), calibration$oc)
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  figure <- plot(calibration)
  expect_s3_class(figure, "ggplot")
  # Each rate's steps end at a cut-off of 1.
  expect_identical(nrow(figure$data), nrow(calibration$calibration) + 3L)
  expect_error(plot(qm_calibrate(calibration_design("Toxicity", trials = 6), replicates = c(1, 2))),
               class = "quillmere_input_error")
})
