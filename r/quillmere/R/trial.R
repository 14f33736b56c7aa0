qm_read_trial <- function(dir, answer) {
  dir <- check_single_text(dir, "dir")
  answer <- check_single_number(answer, "answer")
  answer <- if (is.na(answer) || answer != round(answer)) 0L else as.integer(answer)
  read <- unwrap(read_trial_cpp(path.expand(dir), answer))
  trial <- new_trial(rule_from_list(read$rule), read$patients)
  # Where it was read from, for qm_interim_report.
  trial$source <- list(dir = dir, answer = answer)
  trial
}

new_trial <- function(rule, patients) {
  structure(list(rule = rule, patients = patients), class = "qm_trial")
}

# A patients data frame as the library takes it: the four columns, with the
# identifiers as text and the indicators as whole numbers.
as_patients <- function(patients) {
  if (!is.data.frame(patients)) {
    input_error("The argument patients must be a data frame.", call = sys.call(-1))
  }
  columns <- c("id", "event", "time", "follow_up")
  missing <- setdiff(columns, names(patients))
  if (length(missing) > 0L) {
    input_error(sprintf("The patients data frame has no column %s.",
                        paste(missing, collapse = ", ")), call = sys.call(-1))
  }
  event <- patients$event
  if (is.logical(event)) {
    event <- as.integer(event)
  }
  if (!is.numeric(event) || anyNA(event) || any(event != round(event))) {
    input_error("The event column must hold whole numbers (1: event observed, 0: not).",
                call = sys.call(-1))
  }
  if (!is.numeric(patients$time) || !is.numeric(patients$follow_up)) {
    input_error("The time and follow_up columns must hold numbers.", call = sys.call(-1))
  }
  data.frame(
    id = as.character(patients$id),
    event = as.integer(event),
    time = as.double(patients$time),
    follow_up = as.double(patients$follow_up),
    stringsAsFactors = FALSE
  )
}

# Patients without an event whose follow-up is shorter than the window.
pending_patients <- function(patients, window) {
  patients$event == 0L & patients$follow_up < window
}

print.qm_trial <- function(x, ...) {
  patients <- x$patients
  cat(sprintf("<Quillmere trial: %s, %d patients, %d events, %d pending>\n",
              event_type_words(x$rule), nrow(patients), sum(patients$event),
              sum(pending_patients(patients, x$rule$window))))
  cat(sprintf("  rule: terminate when %s > %g; evaluation window %g\n",
              probability_label(x$rule), x$rule$cutoff, x$rule$window))
  print(utils::head(patients, 6L), row.names = FALSE)
  if (nrow(patients) > 6L) {
    cat(sprintf("  ... and %d more patients\n", nrow(patients) - 6L))
  }
  invisible(x)
}

summary.qm_trial <- function(object, ...) {
  patients <- object$patients
  data.frame(
    type = object$rule$type,
    rate_bound = object$rule$rate_bound,
    cutoff = object$rule$cutoff,
    window = object$rule$window,
    patients = nrow(patients),
    events = sum(patients$event),
    pending = sum(pending_patients(patients, object$rule$window)),
    stringsAsFactors = FALSE
  )
}

plot.qm_trial <- function(x, ...) {
  draw(follow_up_plot(x$rule, x$patients, NA_real_,
                      sprintf("%s trial, %d patients", event_type_words(x$rule),
                              nrow(x$patients))))
}

qm_write_trial <- function(trial, dir) {
  trial <- check_class(trial, "qm_trial", "trial")
  dir <- check_single_text(dir, "dir")
  if (!console_hazard_model(trial$rule)) {
    input_error(paste0(
      "qm_write_trial refuses this rule: quillmere computes with the hazard prior 1/lambda ",
      "(prior_shape 0) and the range [0.001, 100] per time unit (hazard_range \"unit\"), but ",
      "this rule has ", hazard_model_text(trial$rule), ". quillmere run on the files would not ",
      "give the decision and probability of qm_decide."))
  }
  answer <- unwrap(write_trial_cpp(trial$rule, as_patients(trial$patients), path.expand(dir)))
  invisible(list(dir = dir, answer = answer))
}
