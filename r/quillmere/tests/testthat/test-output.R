# What the package shows: format(), print() and as.data.frame() against the
# companion's own tables and CSV files, the boundaries at the looks, the
# calibrated cut-off's interval, the report page and the comparison of rules.

# The lines of the companion's output from the first line that equals
# `first` on, as many as `count`.
output_block <- function(output, first, count) {
  lines <- strsplit(output, "\n", fixed = TRUE)[[1]]
  start <- match(first, lines)
  expect_false(is.na(start), label = paste("companion prints", first))
  lines[start + seq_len(count) - 1L]
}

test_that("a simulation shows, formats and converts the companion's tables and files", {
  design_program()
  for (type in c("Toxicity", "Efficacy", "DiseaseProgression")) {
    design <- small_design(type, trials = 9, seed = 17)
    run <- run_companion(design, "simulate", "--threads", "2")
    sim <- simulate(design, threads = 2)
    expect_csv_equal(as.data.frame(sim), file.path(run$out, "operating_characteristics.csv"),
                     oc_formats)
    expect_csv_equal(as.data.frame(sim, what = "by_look"),
                     file.path(run$out, "stopping_by_look.csv"), by_look_formats)
    expect_csv_equal(as.data.frame(sim, what = "replicates"),
                     without_comments(file.path(run$out, "replicates.csv")), replicate_formats)
    # The tables of format() are the companion's lines, intervals included.
    tables <- quillmere:::table_lines(sim$tables)
    shown <- format(sim)
    expect_identical(shown[seq_along(tables) + 1L], tables)
    expect_identical(output_block(run$output, tables[1], length(tables)), tables)
    for (s in seq_len(nrow(sim$oc))) {
      oc <- sim$oc[s, ]
      row <- grep(sprintf("^ *%.4g  ", oc$true_rate), shown, value = TRUE)[1]
      expect_match(row, sprintf("%.4f  (%.4f)  [%.4f, %.4f]", oc$early_stop_probability,
                                oc$early_stop_se, oc$early_stop_ci_low, oc$early_stop_ci_high),
                   fixed = TRUE)
    }
    expect_identical(capture.output(print(sim)), shown)
  }
})

test_that("no early stop shows the Wilson interval, not a zero error", {
  design <- qm_design(qm_rule("toxicity", 0.3, 0.9, 28), max_patients = 12, accrual_rate = 0.05,
                      first_look = 6, look_every = 3, true_rates = 0.01, event_time_shape = 1,
                      seed = 4, trials = 22)
  sim <- simulate(design)
  expect_identical(sim$oc$early_stop_probability, 0)
  # The operating table: the lines before the stopping by look.
  shown <- format(sim)
  operating <- shown[seq_len(grep("^Stopping probability by look", shown) - 1L)]
  row <- grep("^ +0.01 ", operating, value = TRUE)
  expect_length(row, 1L)
  expect_match(row, "0.0000  (0.0000)  [0.0000, 0.1487]", fixed = TRUE)
})

test_that("a shard formats its header only and has no tables to convert", {
  shard <- simulate(small_design(trials = 6, seed = 3), replicates = c(1, 2))
  expect_length(format(shard), 2L)
  expect_match(format(shard)[2], "replicates 1-2 of 6")
  expect_identical(as.data.frame(shard, what = "replicates"), shard$replicates)
  expect_error(as.data.frame(shard), class = "quillmere_input_error")
})

test_that("a calibration converts to calibration.csv and shows its rates in the design's order", {
  design_program()
  design <- calibration_design("Toxicity", trials = 10, seed = 2024)
  run <- run_companion(design, "calibrate", "--threads", "2")
  calibration <- calibrate_quietly(design, threads = 2)
  expect_identical(calibration$rates, c(0.15, 0.45, 0.3))
  table <- as.data.frame(calibration)
  # The companion's rows, each rate of a cut-off in the design's order.
  reordered <- table[order(table$cutoff, match(table$rate, calibration$rates), method = "radix"), ]
  rownames(reordered) <- NULL
  expect_csv_equal(reordered, file.path(run$out, "calibration.csv"), calibration_formats)
  expect_identical(unique(table$rate), c(0.15, 0.3, 0.45))
  expect_identical(as.data.frame(calibration, what = "oc")$true_rate, c(0.15, 0.3, 0.45))
  expect_identical(as.data.frame(calibration, what = "looks"), calibration$looks)
  rates <- as.numeric(sub("^ *([0-9.]+) .*", "\\1",
                          grep("^ +0\\.[0-9]+ +[0-9.]+ +\\(", format(calibration), value = TRUE)))
  expect_identical(rates, c(0.15, 0.3, 0.45))
})

test_that("the calibration gives the interval of the same figures, a short cut-off and its error", {
  design <- calibration_design("Efficacy", trials = 12, seed = 5)
  calibration <- calibrate_quietly(design)
  cutoffs <- unique(calibration$calibration$cutoff)
  chosen <- match(calibration$chosen_cutoff, cutoffs)
  expect_identical(calibration$same_figures,
                   c(cutoffs[chosen], if (chosen < length(cutoffs)) cutoffs[chosen + 1] else 1))
  short <- calibration$protocol_cutoff
  expect_true(short >= calibration$same_figures[1] && short < calibration$same_figures[2])
  expect_lte(nchar(calibration$protocol_cutoff_text),
             nchar(sprintf("%.17f", calibration$chosen_cutoff)))
  # The short cut-off gives the very figures of the chosen one.
  at <- function(cutoff) {
    simulate(qm_design(qm_rule("Efficacy", 0.3, cutoff, 90), 16, 0.25, 6, 4, calibration$rates,
                       1.2, seed = 5, trials = 12, min_completed = 2))$oc
  }
  expect_identical(at(short), at(calibration$chosen_cutoff))
  row <- quillmere:::chosen_row(calibration)
  expect_identical(calibration$calibration_se, sqrt(row$p_early_stop * (1 - row$p_early_stop) / 12))
  text <- format(calibration)
  expect_true(any(grepl(sprintf("up to (not including) %s gives the same figures; for a protocol: %s.",
                                quillmere:::shortest_text_cpp(calibration$same_figures[2]),
                                calibration$protocol_cutoff_text), text, fixed = TRUE)))
  expect_true(any(grepl(sprintf("Monte Carlo standard error of P(early stop) at 0.3: %.4f (12 trials).",
                                calibration$calibration_se), text, fixed = TRUE)))
})

test_that("a calibration warns when its trials are too few for the limit", {
  cases <- data.frame(limit = c(0.1, 0.1, 0.25, 0.05, 0.5),
                      trials = c(900, 899, 300, 1000, 100),
                      warns = c(FALSE, TRUE, FALSE, TRUE, FALSE),
                      needed = c(NA, 900, NA, 1900, NA))
  for (i in seq_len(nrow(cases))) {
    fake <- list(design = list(max_error_stop = cases$limit[i], trials = cases$trials[i]))
    note <- quillmere:::precision_note(fake)
    expect_identical(!is.null(note), cases$warns[i], label = paste("case", i))
    if (cases$warns[i]) {
      expect_match(note, sprintf("use at least %d trials", cases$needed[i]), fixed = TRUE)
    }
  }
  expect_warning(qm_calibrate(calibration_design("Toxicity", trials = 6, seed = 3)),
                 "use at least 300 trials", class = "quillmere_precision_warning")
})

test_that("the boundaries at the looks say the rule in words and match boundaries.csv", {
  design_program()
  words <- c(Toxicity = "terminate for safety if at least %d toxicities among %d patients",
             Efficacy = "terminate for futility if at most %d responses among %d patients",
             DiseaseProgression = "terminate for futility if at least %d progressions among %d patients")
  for (type in names(words)) {
    design <- small_design(type)
    run <- run_companion(design, "boundaries")
    looks <- qm_boundaries(design)
    expect_identical(looks$patients, c(6L, 10L, 14L))
    every <- as.data.frame(qm_boundaries(design$rule, design$max_patients))
    expect_csv_equal(every, file.path(run$out, "boundaries.csv"), boundary_formats)
    rows <- every[looks$patients, ]
    expect_identical(looks$boundary, rows$boundary)
    expect_identical(looks$probability_at_boundary, rows$probability_at_boundary)
    expected <- ifelse(is.na(rows$boundary), "never terminates",
                       sprintf(words[[type]], rows$boundary, looks$patients))
    expect_identical(looks$rule, expected)
    shown <- format(looks)
    expect_match(shown[2], if (type == "Efficacy") "is at most the boundary" else
                 "is at least the boundary")
    expect_false(any(grepl("Efficacy rate", shown)) && type == "DiseaseProgression")
  }
  expect_error(qm_boundaries(qm_rule("toxicity", 0.3, 0.9, 90)), "needs max_patients",
               class = "quillmere_input_error")
})

test_that("a decision formats the program's lines and converts with the exact probability", {
  for (answer in 1:3) {
    directory <- c("toxicity", "efficacy", "diseaseprogression")[answer]
    decision <- qm_decide(qm_read_trial(extdata(directory), answer))
    frame <- as.data.frame(decision)
    expect_identical(frame$probability, decision$probability)
    expect_identical(nrow(frame), 1L)
    text <- format(decision)
    expect_identical(capture.output(print(decision)), text)
    expect_identical(any(grepl("progression-free rate is below", text)), answer == 3L)
  }
})

test_that("the decision figure's title never rounds a probability to 0 or 1", {
  cases <- list(c(0.99999985, "0.99999985"), c(0.608893, "0.608893"), c(1, "1"), c(0, "0"),
                c(0.9999999999, "0.9999999999"), c(1e-9, "1e-09"))
  for (case in cases) {
    expect_identical(quillmere:::probability_digits(as.numeric(case[1])), case[2])
  }
})

test_that("stability converts to stability.csv's runs and one row of figures", {
  trial <- qm_read_trial(extdata("toxicity"), 1)
  stability <- qm_stability(trial, runs = 5, seed = 2)
  expect_identical(as.data.frame(stability, what = "runs"), stability$runs)
  row <- as.data.frame(stability)
  expect_identical(row$mean, stability$mean)
  expect_identical(c(row$differing_low, row$differing_high), stability$differing_interval)
  expect_identical(capture.output(print(stability)), format(stability))
})

test_that("qm_report writes the companion's report page, byte for byte", {
  design_program()
  design <- calibration_design("Toxicity", trials = 8, seed = 21)
  file <- tempfile(fileext = ".design")
  qm_write_design(design, file)
  results <- tempfile("results-")
  for (command in c("boundaries", "simulate", "calibrate")) {
    run <- run_design_program(command, file, "--out", results)
    expect_identical(run$status, 0L, label = command)
  }
  page <- tempfile(fileext = ".html")
  run <- run_design_program("report", file, "--from", results, "--out", page)
  expect_identical(run$status, 0L)
  ours <- tempfile(fileext = ".html")
  sim <- simulate(design)
  calibration <- calibrate_quietly(design)
  qm_report(design, sim, ours, calibration = calibration, design_file = file, results = results)
  expect_identical(readBin(ours, "raw", 1e7), readBin(page, "raw", 1e7))
  # Without the calibration: the page of a directory without calibrate.
  plain <- tempfile("results-")
  expect_identical(run_design_program("simulate", file, "--out", plain)$status, 0L)
  page <- tempfile(fileext = ".html")
  expect_identical(run_design_program("report", file, "--from", plain, "--out", page)$status, 0L)
  qm_report(design, sim, ours, design_file = file, results = plain)
  expect_identical(readBin(ours, "raw", 1e7), readBin(page, "raw", 1e7))
})

test_that("under every method the tables, late outcomes and report page are the companion's", {
  design_program()
  late_formats <- c(list(scenario = "%d", true_rate = "shortest", trials = "%d", method = "%s"),
                    setNames(rep(list("%.8g"), 8),
                             c("expected_duration", "expected_duration_se", "expected_overrun",
                               "expected_overrun_se", "overrun_share", "overrun_share_se",
                               "overrun_share_ci_low", "overrun_share_ci_high")))
  for (method in c("imputation", "complete-case", "suspension", "weighted")) {
    design <- qm_design(qm_rule("Efficacy", 0.3, 0.9, 90), 16, 0.25, 6, 4, c(0.15, 0.45), 1.2,
                        seed = 2024, trials = 10, min_completed = 2, method = method)
    file <- tempfile(fileext = ".design")
    qm_write_design(design, file)
    results <- tempfile("results-")
    run <- run_design_program("simulate", file, "--threads", "2", "--out", results)
    expect_identical(run$status, 0L, label = method, info = run$output)
    sim <- simulate(design, threads = 2)
    expect_csv_equal(as.data.frame(sim, what = "late_outcomes"),
                     file.path(results, "late_outcomes.csv"), late_formats)
    tables <- quillmere:::table_lines(sim$tables)
    expect_identical(output_block(run$output, tables[1], length(tables)), tables,
                     label = method)
    # A directory of its own: the companion keeps a directory to one design.
    pages <- tempfile("pages-")
    dir.create(pages)
    page <- file.path(pages, "report.html")
    report <- run_design_program("report", file, "--from", results, "--out", page)
    expect_identical(report$status, 0L, label = method, info = report$output)
    ours <- tempfile(fileext = ".html")
    qm_report(design, sim, ours, design_file = file, results = results)
    expect_identical(readBin(ours, "raw", 1e7), readBin(page, "raw", 1e7), label = method)
    expect_true(any(grepl("id=\"late-outcomes\"", readLines(ours), fixed = TRUE)),
                label = method)
  }
})

test_that("qm_report shows the design as simulated, and refuses other designs and shards", {
  design <- small_design(trials = 4, seed = 1)
  other <- simulate(small_design("Efficacy", trials = 4, seed = 1))
  out <- tempfile(fileext = ".html")
  cases <- list(
    list(sim = other, calibration = NULL, text = "another design"),
    list(sim = simulate(design, replicates = c(1, 2)), calibration = NULL, text = "whole simulation"),
    list(sim = simulate(design), calibration = calibrate_quietly(
      calibration_design("Toxicity", trials = 4, seed = 2)), text = "another design"))
  for (case in cases) {
    expect_error(qm_report(design, case$sim, out, calibration = case$calibration), case$text,
                 class = "quillmere_input_error")
  }
  expect_false(file.exists(out))
  # simulate(design, nsim, seed) simulates the design with those trials and seed.
  qm_report(design, simulate(design, nsim = 3, seed = 9), out)
  page <- readLines(out)
  expect_true(any(grepl("seed 9; 3 trials", page, fixed = TRUE)))
  expect_error(qm_report(design, simulate(design), file.path(tempfile(), "no", "page.html")),
               "cannot be written", class = "quillmere_input_error")
})

test_that("qm_compare equals the companion's compare, its tables and both files", {
  design_program()
  a <- small_design("Efficacy", trials = 9, seed = 8)
  b <- qm_design(qm_rule("Efficacy", 0.3, 0.95, 90), max_patients = 16, accrual_rate = 0.25,
                 first_look = 6, look_every = 3, true_rates = c(0.15, 0.45),
                 event_time_shape = 1.2, seed = 8, trials = 9, min_completed = 2)
  file_a <- tempfile(fileext = ".design")
  file_b <- tempfile(fileext = ".design")
  qm_write_design(a, file_a)
  qm_write_design(b, file_b)
  out <- tempfile("compare-")
  run <- run_design_program("compare", file_a, file_b, "--trials", "7", "--threads", "2",
                            "--out", out)
  expect_identical(run$status, 0L)
  comparison <- qm_compare(a, b, trials = 7, threads = 2)
  compare_formats <- c(list(scenario = "%d", true_rate = "shortest", trials = "%d",
                            characteristic = "%s"),
                       setNames(rep(list("%.8g"), 4),
                                c("rule_a", "rule_b", "difference", "difference_se")))
  expect_csv_equal(as.data.frame(comparison), file.path(out, "compare.csv"), compare_formats)
  stopping_formats <- c(list(scenario = "%d", true_rate = "shortest", patients_enrolled = "%d"),
                        setNames(rep(list("%.8g"), 4),
                                 c("stop_probability_a", "stop_probability_b", "difference",
                                   "difference_se")))
  expect_csv_equal(as.data.frame(comparison, what = "stopping"),
                   file.path(out, "compare_stopping.csv"), stopping_formats)
  expect_csv_equal(as.data.frame(comparison, what = "late_outcomes"),
                   file.path(out, "compare_late_outcomes.csv"), compare_formats)
  # The tables after the two rule lines, which name the files or the arguments.
  tables <- format(comparison)
  first <- grep("^Paired on the same", tables)
  expect_length(first, 1L)
  rest <- tables[first:length(tables)]
  expect_identical(output_block(run$output, rest[1], length(rest)), rest)
  expect_match(tables[2], "^Rule A \\(a\\):")
})

test_that("qm_compare refuses designs that do not simulate the same patients", {
  a <- small_design(trials = 4, seed = 1)
  cases <- list(list(b = small_design(trials = 4, seed = 2), key = "Seed"),
                list(b = small_design("Efficacy", trials = 4, seed = 1), key = "TrialType"))
  for (case in cases) {
    expect_error(qm_compare(a, case$b), "do not simulate the same patients",
                 class = "quillmere_input_error")
    expect_error(qm_compare(a, case$b), case$key, class = "quillmere_input_error")
  }
})
