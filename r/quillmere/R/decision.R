qm_decide <- function(trial, patients = NULL) {
  input <- rule_and_patients(trial, patients, "qm_decide")
  result <- unwrap(decide_cpp(input$rule, input$patients))
  new_decision(result, input$rule, input$patients)
}

new_decision <- function(result, rule, patients) {
  structure(c(result, list(rule = rule, data = patients)), class = "qm_decision")
}

# The rule and the patients of a qm_trial, or of a qm_rule and a data frame
# (checked as qm_trial checks them).
rule_and_patients <- function(trial, patients, caller) {
  call <- sys.call(-1)
  if (inherits(trial, "qm_trial")) {
    if (!is.null(patients)) {
      input_error(sprintf(paste0("%s takes the patients of the trial: give either a trial, ",
                                 "%s(trial), or a rule and patients, %s(rule, patients)."),
                          caller, caller, caller), call = call)
    }
    return(list(rule = trial$rule, patients = as_patients(trial$patients, call)))
  }
  if (!inherits(trial, "qm_rule")) {
    input_error(sprintf("%s needs a qm_trial, or a qm_rule and a patients data frame.", caller),
                call = call)
  }
  if (is.null(patients)) {
    input_error(sprintf("%s needs the patients with a rule: %s(rule, patients).", caller,
                        caller), call = call)
  }
  list(rule = trial, patients = typed_patients(patients, trial, call))
}

# The sentences quillmere writes to its report for the comparison.
comparison_text <- function(x) {
  if (x$terminate) {
    sprintf("Compared with cut-off %g, it is HIGHER than the cut-off, therefore we suggest to TERMINATE the trial.",
            x$rule$cutoff)
  } else {
    sprintf("Compared with cut-off %g, it is LOWER than the cut-off, therefore we suggest to CONTINUE the trial.",
            x$rule$cutoff)
  }
}

# The program's RESULTS line (its words, for disease progression too), then
# what it means in words where the program's label does not say it.
format.qm_decision <- function(x, ...) {
  c(sprintf("<Quillmere decision: %s, %d patients, %d events, %d pending>",
            event_type_words(x$rule), x$patients, x$events, x$pending),
    sprintf("RESULTS: %s=%g", probability_label(x$rule), x$probability),
    if (x$rule$type == "DiseaseProgression") {
      sprintf("(the probability that the progression-free rate is below %g)", x$rule$rate_bound)
    },
    comparison_text(x),
    x$notes,
    if (!is.na(x$warning)) c("", x$warning))
}

print.qm_decision <- function(x, ...) {
  cat(format(x), sep = "\n")
  invisible(x)
}

# One row: the advice with the exact probability (every digit).
as.data.frame.qm_decision <- function(x, row.names = NULL, optional = FALSE, ...) {
  summary(x)
}

summary.qm_decision <- function(object, ...) {
  data.frame(
    type = object$rule$type,
    rate_bound = object$rule$rate_bound,
    probability = object$probability,
    cutoff = object$rule$cutoff,
    advice = if (object$terminate) "TERMINATE" else "CONTINUE",
    uninformed_from = object$uninformed_from,
    patients = object$patients,
    events = object$events,
    pending = object$pending,
    prior_only = !is.na(object$warning),
    stringsAsFactors = FALSE
  )
}

# time_unit names the unit of the patients' times on the time axis.
plot.qm_decision <- function(x, time_unit = NULL, ...) {
  draw(follow_up_plot(x$rule, x$data, x$uninformed_from, decision_title(x),
                      decision_subtitle(x), time_unit))
}

# The probability with enough digits that it never reads as 0 or 1 when it
# is not (0.99999985, not "=1"), and the advice.
decision_title <- function(x) {
  sprintf("%s = %s: %s", rule_probability_words(x$rule), probability_digits(x$probability),
          if (x$terminate) "TERMINATE" else "CONTINUE")
}

decision_subtitle <- function(x) {
  words <- sprintf("cut-off %s; %d patients, %d events, %d pending", shortest_text_cpp(x$rule$cutoff),
                   x$patients, x$events, x$pending)
  if (!is.na(x$warning)) paste0(words, "\n", x$warning) else words
}

# Six significant digits as the program prints them, or every digit (the
# shortest exact text) where six would round to 0 or 1: 0.99999985, not 1.
probability_digits <- function(p) {
  text <- sprintf("%g", p)
  if ((text == "1" && p != 1) || (text == "0" && p != 0)) shortest_text_cpp(p) else text
}
