# The hazard options of qm_rule: the defaults are quillmere's computation to
# the bit, and other choices compute what the library and the companion do.

hazard_design <- function(type = "Toxicity", prior_shape = 1, hazard_range = "window",
                          trials = 8, seed = 21, time_unit = "days") {
  qm_design(qm_rule(type, 0.3, 0.85, 90, prior_shape = prior_shape, hazard_range = hazard_range),
            max_patients = 16, accrual_rate = 0.25, first_look = 6, look_every = 4,
            true_rates = c(0.15, 0.45), event_time_shape = 1.2, seed = seed, trials = trials,
            min_completed = 2, time_unit = time_unit, calibration_rate = 0.3,
            max_error_stop = 0.25)
}

test_that("the default hazard options are quillmere's computation to the bit", {
  trial <- qm_read_trial(extdata("toxicity"), 1)
  rule <- with(trial$rule, qm_rule(type, rate_bound, cutoff, window))
  expect_identical(c(rule$prior_shape, rule$hazard_range), c(0, "unit"))
  expect_identical(trial$rule, rule)
  explicit <- with(trial$rule, qm_rule(type, rate_bound, cutoff, window, prior_shape = 0,
                                       hazard_range = "UNIT"))
  expect_identical(explicit, rule)
  expect_identical(qm_decide(explicit, trial$patients), qm_decide(trial))
  # The four reference runs with the options given explicitly, to the bit.
  for (i in seq_len(nrow(reference_runs))) {
    run <- reference_runs[i, ]
    trial <- qm_read_trial(extdata("reference-runs", run$directory), run$answer)
    given <- with(trial$rule, qm_rule(type, rate_bound, cutoff, window, prior_shape = 0,
                                      hazard_range = "unit"))
    expect_identical(sprintf("%.17g", qm_decide(given, trial$patients)$posterior),
                     run$posterior, label = run$directory)
  }
  design <- small_design(trials = 5, seed = 4)
  file <- tempfile(fileext = ".design")
  qm_write_design(design, file)
  expect_false(any(grepl("^Hazard", readLines(file))))
})

test_that("other hazard options change the analysis and equal the companion's simulation", {
  design_program()
  trial <- qm_read_trial(extdata("toxicity"), 1)
  for (options in list(list(1, "unit"), list(0, "window"), list(0.5, "window"))) {
    other <- with(trial$rule, qm_rule(type, rate_bound, cutoff, window, options[[1]],
                                      options[[2]]))
    expect_false(identical(qm_decide(other, trial$patients)$probability,
                           qm_decide(trial)$probability))
    design <- hazard_design(prior_shape = options[[1]], hazard_range = options[[2]])
    run <- run_companion(design, "simulate", "--threads", "2")
    expect_identical(qm_read_design(run$file), design)
    out <- run$out
    sim <- simulate(design, threads = 2)
    expect_csv_equal(sim$oc, file.path(out, "operating_characteristics.csv"), oc_formats)
    expect_csv_equal(sim$replicates, without_comments(file.path(out, "replicates.csv")),
                     replicate_formats)
  }
})

test_that("the units, calibration and replays honour the hazard options", {
  design_program()
  design <- hazard_design("Efficacy", prior_shape = 2, hazard_range = "window", trials = 5)
  out <- run_companion(design, "units", "--units", "hours,months", "--threads", "2")$out
  units <- qm_units(design, c("hours", "months"), threads = 2)
  expect_csv_equal(units$oc, file.path(out, "units.csv"), units_formats)
  out <- run_companion(design, "calibrate", "--threads", "2")$out
  calibration <- calibrate_quietly(design, threads = 2)
  expect_csv_equal(calibration$calibration, file.path(out, "calibration.csv"),
                   calibration_formats)
  # A replicate's first look is run whatever the cut-off.
  first <- calibration$looks[calibration$looks$look > 0L, ][1, ]
  replay <- qm_replay(design, first$scenario, first$replicate, first$look)
  expect_identical(replay$decision$probability, first$probability)
  expect_identical(replay$trial$rule, design$rule)
  expect_identical(replay$decision$probability, replay$simulated$probability)
  expect_error(qm_write_trial(replay$trial, tempfile()), "qm_write_trial refuses this rule",
               class = "quillmere_input_error")
})

test_that("under the window range the time unit of the patients does not matter", {
  trial <- qm_read_trial(extdata("toxicity"), 1)
  window <- trial$rule$window
  days <- qm_rule("toxicity", 0.3, 0.9, window, prior_shape = 1, hazard_range = "window")
  weeks <- qm_rule("toxicity", 0.3, 0.9, window / 7, prior_shape = 1, hazard_range = "window")
  in_weeks <- transform(trial$patients, time = time / 7, follow_up = follow_up / 7)
  by_day <- qm_decide(days, trial$patients)
  by_week <- qm_decide(weeks, in_weeks)
  expect_identical(by_week$terminate, by_day$terminate)
  expect_equal(by_week$probability, by_day$probability, tolerance = 1e-6)
})

test_that("bad hazard options are refused in the library's words", {
  error <- tryCatch(qm_rule("toxicity", 0.3, 0.9, 90, prior_shape = -1, hazard_range = "days"),
                    quillmere_input_error = function(error) error)
  expect_identical(strsplit(conditionMessage(error), "\n", fixed = TRUE)[[1]], c(
    "The Hazard Prior Shape was set to (-1). This value must lie within [0, 100].",
    "The Hazard Range was set to (days). Limit inputs to unit or window."))
  expect_error(qm_rule("toxicity", 0.3, 0.9, 90, hazard_range = NA_character_),
               "hazard_range must be a single text", class = "quillmere_input_error")
  expect_output(print(qm_rule("toxicity", 0.3, 0.9, 90, prior_shape = 0.5)),
                "hazard prior shape 0.5, range unit .*not what quillmere computes")
})
