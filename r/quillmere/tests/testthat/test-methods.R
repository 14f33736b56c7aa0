test_that("print shows the result line, the comparison and the prior-only warning", {
  rule <- qm_rule("toxicity", 0.3, 0.9, 90)
  # 12 patients enrolled every 5 days over the first 60 days, no toxicity.
  patients <- data.frame(id = sprintf("P%02d", 1:12), event = 0L,
                         time = seq(60, 5, by = -5), follow_up = seq(60, 5, by = -5))
  decision <- qm_decide(rule, patients)
  expect_identical(decision$uninformed_from, 60)
  text <- capture.output(print(decision))
  expect_identical(text[2], sprintf("RESULTS: Pr(Toxicity rate >0.3)=%g", decision$probability))
  expect_identical(text[3], quillmere:::comparison_text(decision))
  expect_identical(text[5], "WARNING: no patient has been followed beyond time 60 of the evaluation window (90). From that time on the data say nothing: the outcomes imputed for pending patients, and so the probability, rest on the prior there.")
  expect_identical(summary(decision)$pending, 12L)
})

test_that("a simulation prints every estimate with its standard error", {
  sim <- simulate(small_design(trials = 6, seed = 3))
  text <- capture.output(print(sim))
  expect_match(text[1], "6 trials per rate, seed 3")
  # Both rates with standard error and Wilson interval, and the note.
  rows <- grep("^ +0\\.[0-9]+ +[0-9.]+  \\([0-9.]+\\)  \\[[0-9.]+, [0-9.]+\\]", text, value = TRUE)
  expect_identical(as.numeric(sub("^ +([0-9.]+) .*", "\\1", rows)), c(0.15, 0.45))
  expect_length(grep("^\\(s.e.: Monte Carlo standard error", text), 1L)
  shard <- simulate(small_design(trials = 6, seed = 3), replicates = c(1, 2))
  expect_match(capture.output(print(shard))[2], "replicates 1-2 of 6")
  expect_identical(summary(sim), sim$oc)
})

test_that("the plots are ggplot2 figures of the right data", {
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  trial <- qm_read_trial(extdata("toxicity"), 1)
  decision <- qm_decide(trial)
  expect_s3_class(plot(decision), "ggplot")
  expect_s3_class(plot(trial), "ggplot")
  sim <- simulate(small_design(trials = 4, seed = 3))
  oc <- plot(sim)
  expect_s3_class(oc, "ggplot")
  expect_identical(nrow(oc$data), 2L * nrow(sim$oc))
  expect_identical(plot(sim, "by_look")$data$stop_probability, sim$by_look$stop_probability)
  expect_error(plot(simulate(small_design(trials = 4), replicates = c(1, 2))),
               class = "quillmere_input_error")
})

test_that("every object prints without error", {
  trial <- qm_read_trial(extdata("efficacy"), 2)
  expect_output(print(trial$rule), "efficacy")
  expect_output(print(trial), "patients")
  expect_output(print(qm_read_design(extdata("design", "toxicity.design"))), "Quillmere design")
  expect_output(print(qm_replay(small_design(trials = 2), 2, 1, 3)), "replay")
  expect_identical(summary(trial)$patients, nrow(trial$patients))
})
