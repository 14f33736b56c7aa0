qm_units <- function(design, units = c("hours", "days", "weeks", "months"),
                     threads = machine_cores(), trials = NULL, same_looks = 0) {
  design <- unclass(check_class(design, "qm_design", "design"))
  if (!is.null(trials)) {
    design$trials <- check_whole_number(trials, "trials", 1, 10000000)
  }
  design <- validated_design(design)
  if (!is.character(units) || length(units) == 0L || anyNA(units)) {
    input_error("The argument units must name at least one time unit.")
  }
  threads <- check_whole_number(threads, "threads", 1, 1024)
  same_looks <- check_whole_number(same_looks, "same_looks", 0, design$trials)
  plan <- unwrap(unit_plan_cpp(design, units))
  runs <- lapply(plan$factor, function(factor) {
    unwrap(simulate_cpp(design, 1L, design$trials, threads, factor))
  })
  reference <- runs[[match(design$time_unit, plan$unit)]]
  table <- do.call(rbind, lapply(seq_along(runs), function(u) {
    unit_rows(design, plan, u, runs[[u]], reference)
  }))
  comparison <- NULL
  if (same_looks > 0L) {
    comparison <- unwrap(same_looks_cpp(design, plan$factor, same_looks, threads))
    comparison$unit <- plan$unit[comparison$unit]
  }
  structure(list(design = design, units = plan$unit, oc = table, same_looks = comparison,
                 replicates = stats::setNames(runs, plan$unit)),
            class = "qm_units")
}

# The rows of units.csv for unit u of the plan: what the hazard range means
# over the window there, the operating characteristics, and the share of
# trials decided otherwise than in the design's own unit.
unit_rows <- function(design, plan, u, outcomes, reference) {
  oc <- summarise_cpp(design, outcomes)$oc
  differing <- vapply(seq_along(design$true_rates), function(s) {
    own <- outcomes$stop_look[outcomes$scenario == s]
    other <- reference$stop_look[reference$scenario == s]
    sum(own != other) / length(own)
  }, numeric(1))
  data.frame(
    unit = plan$unit[u],
    window = plan$window[u],
    imputation_floor = plan$imputation_floor[u],
    scenario = oc$scenario,
    true_rate = oc$true_rate,
    early_stop_probability = oc$early_stop_probability,
    early_stop_se = oc$early_stop_se,
    expected_patients = oc$expected_patients,
    expected_patients_se = oc$expected_patients_se,
    prior_only_look_share = oc$prior_only_look_share,
    differing_from_reference = differing,
    early_stop_ci_low = oc$early_stop_ci_low,
    early_stop_ci_high = oc$early_stop_ci_high,
    stringsAsFactors = FALSE
  )
}

print.qm_units <- function(x, ...) {
  cat(sprintf("<Quillmere units: %s design, %d trials per rate, the same replicates in %s>\n",
              event_type_words(x$design$rule), x$design$trials,
              paste(x$units, collapse = ", ")))
  oc <- x$oc
  table <- data.frame(
    unit = oc$unit,
    window = sprintf("%g", oc$window),
    "true rate" = sprintf("%g", oc$true_rate),
    "P(early stop) (s.e.) [95% interval]" =
      probability_text(oc$early_stop_probability, oc$early_stop_se, oc$early_stop_ci_low,
                       oc$early_stop_ci_high),
    "E[patients]" = estimate_text(oc$expected_patients, oc$expected_patients_se, 2),
    "decided otherwise" = sprintf("%.3f", oc$differing_from_reference),
    check.names = FALSE
  )
  print(table, row.names = FALSE, right = TRUE)
  cat(sprintf("s.e., \u00b1: Monte Carlo standard error; 95%% interval: Wilson; \"decided otherwise\": share of trials ending otherwise than in %s.\n",
              x$design$time_unit))
  if (!is.null(x$same_looks)) {
    cat("The same looks in every unit: mean reported probability and decisions otherwise:\n")
    print(x$same_looks, row.names = FALSE)
  }
  invisible(x)
}

plot.qm_units <- function(x, ...) {
  frame <- x$oc
  frame$unit <- factor(frame$unit, levels = x$units)
  frame$low <- frame$early_stop_ci_low
  frame$high <- frame$early_stop_ci_high
  draw(
    ggplot2::ggplot(frame, ggplot2::aes(x = .data$true_rate, y = .data$early_stop_probability,
                                        colour = .data$unit)) +
      ggplot2::geom_line() +
      ggplot2::geom_point() +
      ggplot2::geom_errorbar(ggplot2::aes(ymin = .data$low, ymax = .data$high), width = 0.005) +
      ggplot2::labs(x = sprintf("true %s rate", event_type_words(x$design$rule)),
                    y = "probability of early termination", colour = "time unit",
                    title = "The same replicates with their times in each unit",
                    caption = design_caption(x$design, " Every unit simulates the same patients. Bars: 95% Wilson intervals.")) +
      ggplot2::theme_minimal()
  )
}
