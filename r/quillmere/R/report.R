# The design companion's report page and its comparison of two rules, from R.

# The page `quillmere-design report` writes from the results of boundaries,
# simulate and (when given) calibrate of the design: the same page, written by
# the same library. design_file and results name the design file and the
# results directory in the page's commands that rebuild every figure.
qm_report <- function(design, sim, file, calibration = NULL, design_file = "trial.design",
                      results = "results") {
  design <- check_class(design, "qm_design", "design")
  sim <- check_class(sim, "qm_simulation", "sim")
  file <- check_single_text(file, "file")
  design_file <- check_single_text(design_file, "design_file")
  results <- check_single_text(results, "results")
  if (!sim$complete) {
    input_error("The report needs a whole simulation: combine the shards with c() first.")
  }
  # simulate(design, nsim, seed) runs the design with those trials and seed:
  # the report shows the design as simulated.
  simulated <- unclass(design)
  simulated$trials <- sim$design$trials
  simulated$seed <- sim$design$seed
  fingerprint <- design_fingerprint_cpp(simulated)
  if (!identical(design_fingerprint_cpp(sim$design), fingerprint)) {
    input_error("The simulation belongs to another design than the report's.")
  }
  design <- sim$design
  looks <- NULL
  if (!is.null(calibration)) {
    calibration <- check_class(calibration, "qm_calibration", "calibration")
    if (!calibration$complete) {
      input_error("The report needs a whole calibration: combine the shards with c() first.")
    }
    if (!identical(design_fingerprint_cpp(calibration$design), fingerprint)) {
      input_error("The calibration belongs to another design (or seed) than the simulation's.")
    }
    looks <- calibration$looks
  }
  page <- report_cpp(unclass(design), design_text_cpp(unclass(design)), design_file, results,
                     as.character(utils::packageVersion("quillmere")), sim$replicates, looks)
  written <- tryCatch({
    writeBin(charToRaw(page), path.expand(file))
    TRUE
  }, error = function(e) FALSE, warning = function(w) FALSE)
  if (!written) {
    input_error(sprintf("The report cannot be written to (%s).", file))
  }
  invisible(file)
}

# Two rules run on the same replicates, as `quillmere-design compare`: per
# true rate every operating characteristic under both, the paired difference
# B - A with its Monte Carlo standard error, the difference in the stopping
# probability by the number of patients enrolled at the look, and the late
# outcomes (duration and overrun) under both.
qm_compare <- function(design_a, design_b, trials = NULL, threads = machine_cores()) {
  a <- validated_design(unclass(check_class(design_a, "qm_design", "design_a")))
  b <- validated_design(unclass(check_class(design_b, "qm_design", "design_b")))
  problems <- pairing_problems_cpp(unclass(a), unclass(b))
  if (length(problems) > 0L) {
    input_error(paste(c(paste("The two designs do not simulate the same patients, so their",
                              "trials cannot be paired:"),
                        paste0("  ", problems)), collapse = "\n"))
  }
  trials <- if (is.null(trials)) a$trials else check_whole_number(trials, "trials", 1, 10000000)
  threads <- check_whole_number(threads, "threads", 1, 1024)
  a$trials <- trials
  b$trials <- trials
  first <- unwrap(simulate_cpp(unclass(a), 1L, as.integer(trials), threads))
  second <- unwrap(simulate_cpp(unclass(b), 1L, as.integer(trials), threads))
  labels <- vapply(substitute(list(design_a, design_b))[-1], deparse1, character(1))
  result <- compare_cpp(unclass(a), unclass(b), first, second, labels[1], labels[2])
  structure(list(design_a = a, design_b = b, trials = as.integer(trials),
                 comparison = result$comparison, stopping = result$stopping,
                 late_outcomes = result$late_outcomes, tables = result$text),
            class = "qm_comparison")
}

format.qm_comparison <- function(x, ...) {
  c(sprintf("<Quillmere comparison: %s design, the same %d trials per rate under rules A and B>",
            event_type_words(x$design_a$rule), x$trials),
    table_lines(x$tables))
}

print.qm_comparison <- function(x, ...) {
  cat(format(x), sep = "\n")
  invisible(x)
}

# "comparison": compare.csv; "stopping": compare_stopping.csv;
# "late_outcomes": compare_late_outcomes.csv.
as.data.frame.qm_comparison <- function(x, row.names = NULL, optional = FALSE,
                                        what = c("comparison", "stopping", "late_outcomes"),
                                        ...) {
  x[[match.arg(what)]]
}
