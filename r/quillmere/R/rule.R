qm_rule <- function(type, rate_bound, cutoff, window) {
  type <- check_single_text(type, "type")
  rate_bound <- check_single_number(rate_bound, "rate_bound")
  cutoff <- check_single_number(cutoff, "cutoff")
  window <- check_single_number(window, "window")
  problems <- rule_problems_cpp(type, rate_bound, cutoff, window)
  if (nzchar(problems)) {
    input_error(problems)
  }
  new_rule(type, rate_bound, cutoff, window)
}

# The configuration's names of the event types, by their upper-case form.
event_type_names <- c(
  TOXICITY = "Toxicity",
  EFFICACY = "Efficacy",
  DISEASEPROGRESSION = "DiseaseProgression"
)

new_rule <- function(type, rate_bound, cutoff, window) {
  structure(
    list(
      type = unname(event_type_names[toupper(type)]),
      rate_bound = rate_bound,
      cutoff = cutoff,
      window = window
    ),
    class = "qm_rule"
  )
}

# The probability the rule compares with the cut-off, as quillmere names it.
probability_label <- function(rule) {
  if (rule$type == "Toxicity") {
    sprintf("Pr(Toxicity rate >%g)", rule$rate_bound)
  } else {
    sprintf("Pr(Efficacy rate <%g)", rule$rate_bound)
  }
}

event_type_words <- function(rule) {
  switch(rule$type,
    Toxicity = "toxicity",
    Efficacy = "efficacy",
    DiseaseProgression = "disease progression"
  )
}

print.qm_rule <- function(x, ...) {
  cat("<Quillmere monitoring rule: ", event_type_words(x), ">\n", sep = "")
  cat(sprintf("  terminate when %s > %g (cut-off)\n", probability_label(x), x$cutoff))
  cat(sprintf("  evaluation window %g (in the unit of the patients' times)\n", x$window))
  invisible(x)
}
