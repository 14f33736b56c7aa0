qm_design <- function(rule, max_patients, accrual_rate, first_look, look_every,
                      true_rates, event_time_shape, seed, trials = 1000,
                      min_completed = 0, time_unit = "days", calibration_rate = NULL,
                      max_error_stop = NULL, method = "imputation") {
  rule <- check_class(rule, "qm_rule", "rule")
  if (!is.numeric(true_rates) || length(true_rates) < 1L) {
    input_error("The argument true_rates must hold at least one number.")
  }
  values <- list(
    rule = rule,
    time_unit = check_single_text(time_unit, "time_unit"),
    max_patients = check_single_number(max_patients, "max_patients"),
    accrual_rate = check_single_number(accrual_rate, "accrual_rate"),
    first_look = check_single_number(first_look, "first_look"),
    look_every = check_single_number(look_every, "look_every"),
    min_completed = check_single_number(min_completed, "min_completed"),
    true_rates = as.double(true_rates),
    event_time_shape = check_single_number(event_time_shape, "event_time_shape"),
    trials = check_single_number(trials, "trials"),
    seed = seed_text(seed),
    calibration_rate = optional_number(calibration_rate, "calibration_rate"),
    max_error_stop = optional_number(max_error_stop, "max_error_stop"),
    method = check_single_text(method, "method")
  )
  validated_design(values)
}

# An optional setting: NA when not given.
optional_number <- function(value, name) {
  if (is.null(value)) {
    return(NA_real_)
  }
  check_single_number(value, name)
}

# A seed as the design file states it: a whole number from 0 to 2^64 - 1,
# given as a number (exact up to 2^53) or as its digits.
seed_text <- function(seed) {
  if (is.character(seed) && length(seed) == 1L && !is.na(seed)) {
    return(seed)
  }
  seed <- check_single_number(seed, "seed")
  if (is.finite(seed) && seed == round(seed) && abs(seed) <= 2^53) {
    return(sprintf("%.0f", seed))
  }
  format(seed, digits = 17)
}

# The values checked as the design companion checks a design file: they are
# written as one (numbers in their shortest exact text) and read back with
# every check, all problems reported at once.
validated_design <- function(values) {
  file <- tempfile(fileext = ".design")
  on.exit(unlink(file))
  writeBin(charToRaw(design_text_cpp(values)), file)
  new_design(unwrap(read_design_cpp(file), call = sys.call(-1)))
}

new_design <- function(read) {
  read$rule <- rule_from_list(read$rule)
  structure(read, class = "qm_design")
}

qm_read_design <- function(file) {
  file <- check_single_text(file, "file")
  new_design(unwrap(read_design_cpp(path.expand(file))))
}

qm_write_design <- function(design, file) {
  design <- check_class(design, "qm_design", "design")
  file <- check_single_text(file, "file")
  path <- path.expand(file)
  text <- charToRaw(design_text_cpp(unclass(design)))
  written <- tryCatch({
    suppressWarnings(writeBin(text, path))
    TRUE
  }, error = function(error) FALSE)
  if (!written) {
    input_error(sprintf("The design file (%s) could not be written.", path))
  }
  invisible(file)
}

print.qm_design <- function(x, ...) {
  cat(sprintf("<Quillmere design: %s, up to %d patients>\n", event_type_words(x$rule),
              x$max_patients))
  cat(sprintf("  rule: terminate when %s > %g; evaluation window %g %s\n",
              rule_probability_words(x$rule), x$rule$cutoff, x$rule$window, x$time_unit))
  cat(sprintf("  accrual %g patients per %s (Poisson); first look after %d patients, then every %d; run-in %d outcomes\n",
              x$accrual_rate, sub("s$", "", x$time_unit), x$first_look, x$look_every,
              x$min_completed))
  cat(sprintf("  scenarios: true rates %s; Weibull shape %g; %d trials per rate; seed %s\n",
              paste(sprintf("%g", x$true_rates), collapse = ", "), x$event_time_shape, x$trials,
              x$seed))
  if (!console_hazard_model(x$rule)) {
    cat(sprintf("  %s: not what quillmere computes\n", hazard_model_text(x$rule)))
  }
  if (!is.null(x$method) && x$method != "imputation") {
    cat(sprintf("  method: %s (not quillmere's rule, which imputes the pending outcomes)\n",
                x$method))
  }
  if (!is.na(x$calibration_rate) || !is.na(x$max_error_stop)) {
    cat(sprintf("  calibration: stopping is an error at a true rate of %s; at most %s\n",
                format_optional(x$calibration_rate), format_optional(x$max_error_stop)))
  }
  invisible(x)
}

format_optional <- function(value) {
  if (is.na(value)) "(not set)" else sprintf("%g", value)
}
