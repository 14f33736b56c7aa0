# Shared by the tests: the bundled trial directories and designs, and the
# built quillmere programs to compare with. r/check.sh builds the programs and
# names them in QUILLMERE_BINARY and QUILLMERE_DESIGN_BINARY; it also sets
# QUILLMERE_REQUIRE_PROGRAMS, which turns a missing program into a failure
# instead of a skipped comparison.

extdata <- function(...) {
  system.file("extdata", ..., package = "quillmere", mustWork = TRUE)
}

program <- function(variable) {
  path <- Sys.getenv(variable)
  if (nzchar(path) && file.exists(path)) {
    return(path)
  }
  if (nzchar(Sys.getenv("QUILLMERE_REQUIRE_PROGRAMS"))) {
    stop(variable, " does not name a built program (", path, ")")
  }
  testthat::skip(paste(variable, "is not set: no comparison with the built program"))
}

quillmere_program <- function() program("QUILLMERE_BINARY")
design_program <- function() program("QUILLMERE_DESIGN_BINARY")

# A fresh copy of a trial directory.
copy_trial <- function(directory) {
  copy <- tempfile("trial-")
  dir.create(copy)
  file.copy(list.files(directory, full.names = TRUE), copy)
  copy
}

# Runs quillmere in `directory` with the answer; its standard output, exit
# status and the report it appended.
run_quillmere <- function(directory, answer) {
  binary <- quillmere_program()
  old <- setwd(directory)
  on.exit(setwd(old))
  output <- suppressWarnings(system2(binary, as.character(answer), stdout = TRUE,
                                     stderr = TRUE, stdin = "/dev/null"))
  status <- attr(output, "status")
  report <- if (file.exists("summary.txt")) readLines("summary.txt") else character()
  list(output = paste0(paste(output, collapse = "\n"), "\n"),
       status = if (is.null(status)) 0L else status,
       report = report)
}

# Runs quillmere-design with the arguments; its exit status and output.
run_design_program <- function(...) {
  output <- suppressWarnings(system2(design_program(), c(...), stdout = TRUE, stderr = TRUE))
  status <- attr(output, "status")
  list(output = paste(output, collapse = "\n"), status = if (is.null(status)) 0L else status)
}

# Writes the design into a file and runs the companion's command on it with
# the arguments, into a fresh output directory; expects it to succeed and
# returns the directory, the design file and the program's output.
run_companion <- function(design, command, ...) {
  file <- tempfile(fileext = ".design")
  qm_write_design(design, file)
  out <- tempfile(paste0(command, "-"))
  run <- run_design_program(command, file, ..., "--out", out)
  testthat::expect_identical(run$status, 0L, label = paste(command, "exit status"))
  list(out = out, file = file, output = run$output)
}

# The fields of a CSV file as text, without R's number reading.
csv_fields <- function(file) {
  lines <- readLines(file)
  header <- strsplit(lines[1], ",", fixed = TRUE)[[1]]
  rows <- strsplit(lines[-1], ",", fixed = TRUE)
  fields <- lapply(seq_along(header), function(i) {
    vapply(rows, function(row) if (length(row) >= i) row[i] else "", character(1))
  })
  names(fields) <- header
  fields
}

# A data frame's column written as the companion writes it.
written <- function(values, format) {
  if (identical(format, "yesno")) {
    return(ifelse(values, "yes", "no"))
  }
  if (identical(format, "shortest")) {
    return(ifelse(is.na(values), "", quillmere:::shortest_text_cpp(as.double(values))))
  }
  ifelse(is.na(values), "", sprintf(format, values))
}

# Expects every column of the CSV file to equal the data frame's column of
# the same name, written in the companion's format for that column.
expect_csv_equal <- function(frame, file, formats) {
  fields <- csv_fields(file)
  expect_identical(names(frame), names(fields))
  for (column in names(fields)) {
    expect_identical(written(frame[[column]], formats[[column]]), fields[[column]],
                     label = column)
  }
}

reference_runs <- data.frame(
  directory = c("toxicity-n60", "efficacy-n80", "diseaseprogression-n45", "toxicity-n200"),
  answer = c(1L, 2L, 3L, 1L),
  posterior = c("0.72416841015219691", "0.95149456262588505", "0.91927130371332166",
                "0.98142925500869749"),
  stringsAsFactors = FALSE
)

small_design <- function(type = "Toxicity", trials = 8, seed = 11, time_unit = "days",
                         calibration_rate = NULL, max_error_stop = NULL) {
  qm_design(qm_rule(type, 0.3, 0.85, 90), max_patients = 16, accrual_rate = 0.25,
            first_look = 6, look_every = 4, true_rates = c(0.15, 0.45),
            event_time_shape = 1.2, seed = seed, trials = trials, min_completed = 2,
            time_unit = time_unit, calibration_rate = calibration_rate,
            max_error_stop = max_error_stop)
}

# A small design with a calibration rate and limit.
calibration_design <- function(type, trials = 10, seed = 2024) {
  small_design(type, trials = trials, seed = seed, calibration_rate = 0.3,
               max_error_stop = 0.25)
}

# A CSV file without its first `comments` lines (the companion's files of
# replicates and looks start with two comment lines).
without_comments <- function(file, comments = 2L) {
  lines <- readLines(file)
  stripped <- tempfile(fileext = ".csv")
  writeLines(lines[-seq_len(comments)], stripped)
  stripped
}

# How the companion writes the columns of its CSV files.
oc_formats <- c(list(scenario = "%d", true_rate = "shortest", trials = "%d"),
                setNames(rep(list("%.8g"), 11),
                         c("early_stop_probability", "early_stop_se", "expected_patients",
                           "expected_patients_se", "expected_duration", "expected_duration_se",
                           "mean_looks_run", "mean_pending_per_look", "prior_only_look_share",
                           "early_stop_ci_low", "early_stop_ci_high")))
by_look_formats <- list(scenario = "%d", true_rate = "shortest", look = "%d",
                        patients_enrolled = "%d", stop_probability = "%.8g",
                        stop_probability_se = "%.8g", stop_probability_ci_low = "%.8g",
                        stop_probability_ci_high = "%.8g")
replicate_formats <- list(scenario = "%d", replicate = "%d", stop_look = "%d", enrolled = "%d",
                          duration = "%.17g", looks_run = "%d", pending_at_looks = "%d",
                          prior_only_looks = "%d")
calibration_formats <- c(list(cutoff = "shortest", rate = "shortest"),
                         setNames(rep(list("%.8g"), 7),
                                  c("p_early_stop", "p_low", "p_high", "expected_patients",
                                    "expected_patients_se", "expected_duration",
                                    "expected_duration_se")))
look_formats <- list(scenario = "%d", replicate = "%d", look = "%d", enrolled = "%d",
                     probability = "shortest", pending = "%d", prior_only = "%d",
                     duration = "shortest")
units_formats <- c(list(unit = "%s", window = "%.10g", imputation_floor = "%.8g",
                        scenario = "%d", true_rate = "shortest"),
                   setNames(rep(list("%.8g"), 8),
                            c("early_stop_probability", "early_stop_se", "expected_patients",
                              "expected_patients_se", "prior_only_look_share",
                              "differing_from_reference", "early_stop_ci_low",
                              "early_stop_ci_high")))
boundary_formats <- list(patients = "%d", boundary = "%d", probability_at_boundary = "%.9g",
                         probability_beside = "%.9g", monotone = "yesno")

# A calibration of a test's few trials, without the warning that they are
# too few for a protocol.
calibrate_quietly <- function(...) {
  withCallingHandlers(qm_calibrate(...), quillmere_precision_warning = function(w) {
    invokeRestart("muffleWarning")
  })
}
