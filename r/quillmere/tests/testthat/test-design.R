test_that("a design written and read back is the same design", {
  for (name in c("toxicity", "efficacy", "disease-progression")) {
    design <- qm_read_design(extdata("design", paste0(name, ".design")))
    file <- tempfile(fileext = ".design")
    qm_write_design(design, file)
    expect_identical(qm_read_design(file), design)
  }
  odd <- qm_design(qm_rule("DiseaseProgression", 0.1 + 0.2, 1 / 3, 2 / 7), 40, 0.1 * 3, 5, 3,
                   c(0.1 + 0.2, 0.7), 1 / 3, seed = 2^53, trials = 7, time_unit = "Weeks")
  file <- tempfile(fileext = ".design")
  qm_write_design(odd, file)
  back <- qm_read_design(file)
  expect_identical(back, odd)
  expect_identical(back$rule$rate_bound, 0.1 + 0.2)
  expect_identical(back$seed, "9007199254740992")
  expect_identical(back$time_unit, "weeks")
})

test_that("every problem of a design is reported at once, in the companion's words", {
  rule <- qm_rule("toxicity", 0.3, 0.9, 90)
  error <- tryCatch(
    qm_design(rule, max_patients = 600, accrual_rate = -1, first_look = 5, look_every = 5,
              true_rates = c(0.2, 1.5), event_time_shape = 20, seed = 1),
    quillmere_input_error = function(error) error)
  expect_s3_class(error, "quillmere_input_error")
  lines <- strsplit(conditionMessage(error), "\n", fixed = TRUE)[[1]]
  expect_identical(lines, c(
    "The MaxPatients was set to (600). This value must be a whole number from 1 to 500.",
    "The AccrualRate was set to (-1). This value must be greater than zero.",
    "The TrueRates entry (1.5) must lay within the open interval (0,1).",
    "The EventTimeShape was set to (20). This value must lay within the interval [0.1, 10]."))
})

test_that("qm_read_design gives the companion's messages for a bad file", {
  design_program()
  file <- tempfile(fileext = ".design")
  writeLines(c("TrialType = Tox", "RateBound = 2", "MaxEvaluationWindow = 90",
               "MaxPatients = 40", "AccrualRate = 0.2", "FirstLook = 10", "LookEvery = 5",
               "TrueRates = 0.1, x", "EventTimeShape = 1", "Seed = 1", "Colour = blue"), file)
  error <- tryCatch(qm_read_design(file), quillmere_input_error = function(error) error)
  run <- run_design_program("boundaries", file, "--out", tempfile())
  expect_false(run$status == 0L)
  shown <- strsplit(run$output, "\n", fixed = TRUE)[[1]]
  expect_identical(strsplit(conditionMessage(error), "\n", fixed = TRUE)[[1]],
                   shown[nzchar(shown)])
  expect_error(qm_read_design(tempfile()), "Failure to load file", class = "quillmere_input_error")
})

test_that("the calibration settings round-trip through a design file and are checked", {
  rule <- qm_rule("toxicity", 0.3, 0.9, 90)
  plain <- qm_design(rule, 20, 0.2, 5, 5, 0.3, 1, seed = 1)
  expect_identical(c(plain$calibration_rate, plain$max_error_stop), c(NA_real_, NA_real_))
  set <- qm_design(rule, 20, 0.2, 5, 5, 0.3, 1, seed = 1, calibration_rate = 0.2,
                   max_error_stop = 0.1)
  expect_identical(c(set$calibration_rate, set$max_error_stop), c(0.2, 0.1))
  file <- tempfile(fileext = ".design")
  qm_write_design(set, file)
  expect_identical(qm_read_design(file), set)
  expect_match(readLines(file), "^MaxErrorStop = 0.1$", all = FALSE)
  expect_output(print(set), "calibration: stopping is an error at a true rate of 0.2; at most 0.1")
  expect_error(qm_design(rule, 20, 0.2, 5, 5, 0.3, 1, seed = 1, max_error_stop = 1),
               "MaxErrorStop", class = "quillmere_input_error")
})
