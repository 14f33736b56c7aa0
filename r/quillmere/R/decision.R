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

print.qm_decision <- function(x, ...) {
  cat(sprintf("<Quillmere decision: %s, %d patients, %d events, %d pending>\n",
              event_type_words(x$rule), x$patients, x$events, x$pending))
  cat(sprintf("RESULTS: %s=%g\n", probability_label(x$rule), x$probability))
  cat(comparison_text(x), "\n", sep = "")
  for (note in x$notes) {
    cat(note, "\n", sep = "")
  }
  if (!is.na(x$warning)) {
    cat("\n", x$warning, "\n", sep = "")
  }
  invisible(x)
}

summary.qm_decision <- function(object, ...) {
  data.frame(
    type = object$rule$type,
    probability = object$probability,
    cutoff = object$rule$cutoff,
    advice = if (object$terminate) "TERMINATE" else "CONTINUE",
    uninformed_from = object$uninformed_from,
    patients = object$patients,
    events = object$events,
    pending = object$pending,
    stringsAsFactors = FALSE
  )
}

plot.qm_decision <- function(x, ...) {
  title <- sprintf("%s=%g: %s", probability_label(x$rule), x$probability,
                   if (x$terminate) "TERMINATE" else "CONTINUE")
  draw(follow_up_plot(x$rule, x$data, x$uninformed_from, title))
}
