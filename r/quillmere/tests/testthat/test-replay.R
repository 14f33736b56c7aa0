test_that("a replayed look gives the decision the simulation made, and qm_decide agrees", {
  design <- small_design(trials = 4, seed = 5)
  sim <- simulate(design)
  replicates <- sim$replicates
  checked <- 0L
  for (row in seq_len(nrow(replicates))) {
    outcome <- replicates[row, ]
    looks <- if (outcome$stop_look > 0L) outcome$stop_look else 1L
    replay <- tryCatch(qm_replay(sim, outcome$scenario, outcome$replicate, looks),
                       quillmere_input_error = function(error) NULL)
    if (is.null(replay)) {
      next
    }
    checked <- checked + 1L
    expect_identical(replay$decision$probability, replay$simulated$probability)
    expect_identical(replay$decision$terminate, replay$simulated$terminate)
    expect_identical(!is.na(replay$decision$uninformed_from), replay$simulated$prior_only)
    expect_identical(qm_decide(replay$trial), replay$decision)
    expect_identical(replay$decision$terminate, outcome$stop_look > 0L)
  }
  expect_gt(checked, 0L)
})

test_that("a look written with qm_write_trial gives quillmere the same decision", {
  quillmere_program()
  design <- small_design("Efficacy", trials = 3, seed = 9, time_unit = "weeks")
  replay <- qm_replay(design, 2, 1, 3)
  directory <- tempfile("look-")
  written <- qm_write_trial(replay$trial, directory)
  expect_identical(written$answer, 2L)
  read <- qm_read_trial(directory, 2)
  expect_identical(read$source, list(dir = directory, answer = 2L))
  read$source <- NULL
  expect_identical(read, replay$trial)
  run <- run_quillmere(directory, 2)
  expect_identical(run$status, 0L)
  expect_true(sprintf("RESULTS: Pr(Efficacy rate <0.3)=%g", replay$decision$probability) %in%
                run$report)
})

test_that("a look the simulation did not run is explained", {
  design <- small_design(trials = 3, seed = 5)
  expect_error(qm_replay(design, 1, 1, 4), "There is no look (4): the design has 3 looks.",
               fixed = TRUE, class = "quillmere_input_error")
  expect_error(qm_replay(design, 3, 1, 1), class = "quillmere_input_error")
})
