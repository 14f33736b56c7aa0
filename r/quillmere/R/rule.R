qm_rule <- function(type, rate_bound, cutoff, window, prior_shape = 0, hazard_range = "unit") {
  type <- rule_event_type(type)
  rate_bound <- check_single_number(rate_bound, "rate_bound")
  cutoff <- check_single_number(cutoff, "cutoff")
  window <- check_single_number(window, "window")
  prior_shape <- check_single_number(prior_shape, "prior_shape")
  hazard_range <- check_single_text(hazard_range, "hazard_range")
  problems <- rule_problems_cpp(type, rate_bound, cutoff, window, prior_shape, hazard_range)
  if (nzchar(problems)) {
    input_error(problems)
  }
  new_rule(type, rate_bound, cutoff, window, prior_shape, hazard_range)
}

# The event type by name ("toxicity", "disease progression", the
# configuration's "DiseaseProgression", in any letter case) or by quillmere's
# answer (1, 2 or 3). Another text goes to the configuration check, which
# refuses it with quillmere's message.
rule_event_type <- function(type, call = sys.call(-1)) {
  if (is.numeric(type)) {
    return(unname(event_type_names[event_type_answer(type, call)]))
  }
  type <- check_single_text(type, "type")
  named <- event_type_named(type)
  if (is.na(named)) type else named
}

# The configuration's names of the event types, by their upper-case form.
event_type_names <- c(
  TOXICITY = "Toxicity",
  EFFICACY = "Efficacy",
  DISEASEPROGRESSION = "DiseaseProgression"
)

new_rule <- function(type, rate_bound, cutoff, window, prior_shape = 0, hazard_range = "unit") {
  structure(
    list(
      type = unname(event_type_names[toupper(type)]),
      rate_bound = rate_bound,
      cutoff = cutoff,
      window = window,
      prior_shape = prior_shape,
      hazard_range = tolower(hazard_range)
    ),
    class = "qm_rule"
  )
}

# A rule as the library returns it.
rule_from_list <- function(rule) {
  new_rule(rule$type, rule$rate_bound, rule$cutoff, rule$window, rule$prior_shape,
           rule$hazard_range)
}

# Whether quillmere itself computes with this rule's hazard model (the prior
# 1/lambda and the range [0.001, 100] per time unit).
console_hazard_model <- function(rule) {
  console_hazard_model_cpp(rule)
}

hazard_model_text <- function(rule) {
  sprintf("hazard prior shape %s, range %s", shortest_text_cpp(rule$prior_shape),
          if (rule$hazard_range == "window") "window (lambda*W in [1e-4, 1e4])"
          else "unit ([0.001, 100] per time unit)")
}

# The probability the rule compares with the cut-off, as quillmere names it.
probability_label <- function(rule) {
  if (rule$type == "Toxicity") {
    sprintf("Pr(Toxicity rate >%g)", rule$rate_bound)
  } else {
    sprintf("Pr(Efficacy rate <%g)", rule$rate_bound)
  }
}

# What the rule compares with the cut-off, in words that fit the event
# (the program's RESULTS line says "Efficacy" for disease progression too).
rule_probability_words <- function(rule) {
  switch(rule$type,
    Toxicity = sprintf("Pr(toxicity rate > %g)", rule$rate_bound),
    Efficacy = sprintf("Pr(efficacy rate < %g)", rule$rate_bound),
    DiseaseProgression = sprintf("Pr(progression-free rate < %g)", rule$rate_bound)
  )
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
  cat(sprintf("  terminate when %s > %g (cut-off)\n", rule_probability_words(x), x$cutoff))
  cat(sprintf("  evaluation window %g (in the unit of the patients' times)\n", x$window))
  if (!console_hazard_model(x)) {
    cat(sprintf("  %s: not what quillmere computes\n", hazard_model_text(x)))
  }
  invisible(x)
}
