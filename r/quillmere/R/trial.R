qm_read_trial <- function(dir, event_type, answer) {
  dir <- check_single_text(dir, "dir")
  if (missing(event_type)) {
    if (missing(answer)) {
      input_error("qm_read_trial needs the event type: qm_read_trial(dir, \"toxicity\").")
    }
    event_type <- answer
  }
  answer <- event_type_answer(event_type)
  dir <- path.expand(dir)
  if (!dir.exists(dir)) {
    input_error(sprintf("The trial directory (%s) does not exist.", dir))
  }
  config <- configuration_file_names[answer]
  if (!file.exists(file.path(dir, config))) {
    input_error(sprintf("Failure to load file (%s): the directory (%s) holds no such file.",
                        config, dir))
  }
  read <- unwrap(read_trial_cpp(dir, answer))
  trial <- new_trial(rule_from_list(read$rule), read$patients)
  # Where it was read from, for qm_interim_report.
  trial$source <- list(dir = dir, answer = answer)
  trial
}

# The configuration file quillmere reads for each answer.
configuration_file_names <- c("TrialConfig_Toxicity.config", "TrialConfig_Efficacy.config",
                              "TrialConfig_DiseaseProgression.config")

# A trial of one's own: the rule and the patients, checked as the data file
# and quillmere check them.
qm_trial <- function(rule, patients) {
  rule <- check_class(rule, "qm_rule", "rule")
  patients <- typed_patients(patients, rule)
  new_trial(rule, patients)
}

new_trial <- function(rule, patients) {
  structure(list(rule = rule, patients = patients), class = "qm_trial")
}

# Patients typed in R: everything quillmere would refuse in a data file with
# this rule, and what the data file cannot say, is refused here.
typed_patients <- function(patients, rule, call = sys.call(-1)) {
  patients <- as_patients(patients, call)
  check_identifiers(patients$id, call)
  unwrap(check_input_cpp(rule, patients), call = call)
  check_follow_up_times(patients, rule$window, call)
  patients
}

# Identifiers as the data file holds them: one word each (the reader splits
# at white space), present and different from every other.
check_identifiers <- function(id, call = sys.call(-1)) {
  problem <- function(i, why) {
    input_error(sprintf("The identifier of patient number %d %s.", i, why), call = call)
  }
  for (i in seq_along(id)) {
    if (is.na(id[i])) {
      problem(i, "is NA: every patient needs an identifier")
    }
    if (!nzchar(id[i])) {
      problem(i, "is empty: every patient needs an identifier")
    }
    if (grepl("[[:space:]]", id[i])) {
      problem(i, sprintf("(%s) holds white space, which the data file cannot hold", id[i]))
    }
  }
  repeated <- which(duplicated(id))
  if (length(repeated) > 0L) {
    first <- match(id[repeated[1]], id)
    input_error(sprintf("The identifier %s is given to patients number %d and %d: identifiers must be unique.",
                        id[repeated[1]], first, repeated[1]), call = call)
  }
  invisible(id)
}

# A patient without an event is followed up to the end of the window at
# most; the data files state that time as the event time, so any other value
# says something the analysis would not use.
check_follow_up_times <- function(patients, window, call = sys.call(-1)) {
  censored <- patients$event == 0L
  expected <- pmin(patients$follow_up, window)
  wrong <- which(censored & !is.na(patients$time) & !is.na(expected) &
                 patients$time != expected)
  if (length(wrong) > 0L) {
    i <- wrong[1]
    input_error(sprintf(paste0(
      "For patient %s, no event was observed, so the event time must be the follow-up time ",
      "within the evaluation window (%s), not %s."),
      patients$id[i], format(expected[i], digits = 15), format(patients$time[i], digits = 15)),
      call = call)
  }
  invisible(patients)
}

# A patients data frame as the library takes it: the four columns, with the
# identifiers as text and the indicators as whole numbers.
as_patients <- function(patients, call = sys.call(-1)) {
  if (!is.data.frame(patients)) {
    input_error("The argument patients must be a data frame.", call = call)
  }
  columns <- c("id", "event", "time", "follow_up")
  missing <- setdiff(columns, names(patients))
  if (length(missing) > 0L) {
    input_error(sprintf("The patients data frame has no column %s.",
                        paste(missing, collapse = ", ")), call = call)
  }
  event <- patients$event
  if (is.logical(event)) {
    event <- as.integer(event)
  }
  if (!is.numeric(event) || anyNA(event) || any(event != round(event))) {
    input_error("The event column must hold whole numbers (1: event observed, 0: not).",
                call = call)
  }
  if (!is.numeric(patients$time) || !is.numeric(patients$follow_up)) {
    input_error("The time and follow_up columns must hold numbers.", call = call)
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
  patients <- as_patients(trial$patients)
  check_identifiers(patients$id)
  answer <- unwrap(write_trial_cpp(trial$rule, patients, path.expand(dir)))
  invisible(list(dir = dir, answer = answer))
}
