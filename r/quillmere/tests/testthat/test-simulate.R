test_that("simulate equals the companion's CSV files for the same design and seed", {
  design_program()
  for (type in c("Toxicity", "Efficacy", "DiseaseProgression")) {
    design <- small_design(type, trials = 10, seed = 2024)
    out <- run_companion(design, "simulate", "--threads", "2")$out
    sim <- simulate(design, threads = 2)
    expect_csv_equal(sim$oc, file.path(out, "operating_characteristics.csv"), oc_formats)
    expect_csv_equal(sim$by_look, file.path(out, "stopping_by_look.csv"), by_look_formats)
    expect_csv_equal(sim$replicates, without_comments(file.path(out, "replicates.csv")),
                     replicate_formats)
  }
})

test_that("nsim and seed override the design's trials and seed", {
  design <- small_design(trials = 5, seed = 1)
  sim <- simulate(design, nsim = 6, seed = "18446744073709551615")
  expect_identical(sim$seed, "18446744073709551615")
  expect_identical(sim$design$trials, 6L)
  expect_identical(nrow(sim$replicates), 12L)
  again <- simulate(qm_design(design$rule, 16, 0.25, 6, 4, c(0.15, 0.45), 1.2,
                              seed = "18446744073709551615", trials = 6, min_completed = 2))
  expect_identical(again$replicates, sim$replicates)
  expect_error(simulate(design, seed = -1), class = "quillmere_input_error")
})

test_that("the outcomes do not depend on the thread count or the split into shards", {
  design <- small_design(trials = 9, seed = 77)
  whole <- simulate(design, threads = 1)
  expect_identical(simulate(design, threads = 2)$replicates, whole$replicates)
  first <- simulate(design, replicates = c(1, 4))
  second <- simulate(design, replicates = c(5, 9), threads = 2)
  expect_false(first$complete)
  expect_null(first$oc)
  merged <- c(second, first)
  expect_true(merged$complete)
  expect_identical(merged$replicates, whole$replicates)
  expect_identical(merged$oc, whole$oc)
  expect_identical(merged$by_look, whole$by_look)
  expect_identical(qm_merge(list(first, second))$oc, whole$oc)
})

test_that("shards that overlap, leave a gap or belong to another design are refused", {
  design <- small_design(trials = 9, seed = 77)
  first <- simulate(design, replicates = c(1, 4))
  overlapping <- simulate(design, replicates = c(4, 9))
  later <- simulate(design, replicates = c(6, 9))
  expect_error(c(first, overlapping), "Replicates 4-4 appear in more than one part.",
               fixed = TRUE, class = "quillmere_input_error")
  expect_error(c(first, later), "Replicates 5-5 are missing between the parts.",
               fixed = TRUE, class = "quillmere_input_error")
  other <- simulate(small_design(trials = 9, seed = 78), replicates = c(5, 9))
  expect_error(c(first, other), "different designs", class = "quillmere_input_error")
  expect_error(simulate(design, replicates = c(3, 10)), class = "quillmere_input_error")
})

test_that("every method simulates as the companion does, on the same patients", {
  design_program()
  for (method in c("complete-case", "suspension", "weighted")) {
    base <- small_design("Efficacy", trials = 10, seed = 2024)
    design <- qm_design(base$rule, 16, 0.25, 6, 4, c(0.15, 0.45), 1.2, seed = 2024,
                        trials = 10, min_completed = 2, method = method)
    expect_identical(design$method, method)
    out <- run_companion(design, "simulate", "--threads", "2")$out
    sim <- simulate(design, threads = 2)
    expect_csv_equal(sim$oc, file.path(out, "operating_characteristics.csv"), oc_formats)
    expect_csv_equal(sim$replicates, without_comments(file.path(out, "replicates.csv")),
                     replicate_formats)
    late_formats <- c(list(scenario = "%d", true_rate = "shortest", trials = "%d",
                           method = "%s"),
                      setNames(rep(list("%.8g"), 8),
                               c("expected_duration", "expected_duration_se",
                                 "expected_overrun", "expected_overrun_se", "overrun_share",
                                 "overrun_share_se", "overrun_share_ci_low",
                                 "overrun_share_ci_high")))
    expect_csv_equal(sim$late_outcomes, file.path(out, "late_outcomes.csv"), late_formats)
  }
  expect_error(qm_design(qm_rule("toxicity", 0.3, 0.85, 90), 16, 0.25, 6, 4, 0.2, 1,
                         seed = 1, method = "waiting"),
               class = "quillmere_input_error")
})
