stability_formats <- list(run = "%d", probability = "shortest", terminate = "%d")

test_that("qm_stability equals the companion's stability.csv and quillmere's own run", {
  design_program()
  directory <- extdata("toxicity")
  out <- tempfile("stability-")
  run <- run_design_program("stability", directory, "--answer", "1", "--runs", "12",
                            "--threads", "2", "--seed", "99", "--out", out)
  expect_identical(run$status, 0L)
  trial <- qm_read_trial(directory, 1)
  stability <- qm_stability(trial, runs = 12, threads = 2, seed = 99)
  expect_csv_equal(stability$runs, file.path(out, "stability.csv"), stability_formats)
  exact <- sub("^  exact value: ", "",
               grep("^  exact value: ", strsplit(run$output, "\n")[[1]], value = TRUE))
  expect_identical(quillmere:::shortest_text_cpp(stability$decision$probability), exact)
  expect_identical(unclass(stability$decision), unclass(qm_decide(trial)))
  shown <- strsplit(run$output, "\n", fixed = TRUE)[[1]]
  printed <- capture.output(print(stability))
  for (start in c("quillmere \\(its", "Mean probability", "SD of one", "Runs advising")) {
    expect_identical(grep(start, printed, value = TRUE), grep(start, shown, value = TRUE))
  }
})

test_that("the runs do not depend on the thread count and follow the seed", {
  trial <- qm_read_trial(extdata("efficacy"), 2)
  one <- qm_stability(trial, runs = 6, threads = 1, seed = "18446744073709551615")
  two <- qm_stability(trial$rule, trial$patients, runs = 6, threads = 2,
                      seed = "18446744073709551615")
  expect_identical(one$runs, two$runs)
  other <- qm_stability(trial, runs = 6, seed = 2)
  expect_false(identical(other$runs$probability, one$runs$probability))
  expect_identical(one$mean, mean(one$runs$probability))
  expect_equal(one$run_sd, sd(one$runs$probability))
  expect_identical(one$differing_advice,
                   sum(one$runs$terminate != as.integer(one$decision$terminate)))
})

test_that("qm_stability refuses bad arguments and shows the prior-only warning", {
  trial <- qm_read_trial(extdata("toxicity"), 1)
  expect_error(qm_stability(trial, runs = 1), "runs must be a whole number from 2",
               class = "quillmere_input_error")
  expect_error(qm_stability(trial, seed = "-1"), "The seed (-1) must be a whole number",
               fixed = TRUE, class = "quillmere_input_error")
  expect_error(qm_stability(trial$rule), "qm_stability needs the patients",
               class = "quillmere_input_error")
  rule <- qm_rule("toxicity", 0.3, 0.9, 90)
  patients <- data.frame(id = sprintf("P%02d", 1:12), event = 0L,
                         time = seq(60, 5, by = -5), follow_up = seq(60, 5, by = -5))
  stability <- qm_stability(rule, patients, runs = 3)
  text <- capture.output(print(stability))
  expect_match(text[2], "^WARNING: no patient has been followed beyond time 60")
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  expect_identical(plot(stability)$data, stability$runs)
  expect_identical(summary(stability)$runs, 3L)
})
