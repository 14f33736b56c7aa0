qm_calibrate <- function(design, threads = machine_cores(), replicates = NULL) {
  design <- validated_design(unclass(check_class(design, "qm_design", "design")))
  if (is.na(design$calibration_rate) || is.na(design$max_error_stop)) {
    input_error(paste("qm_calibrate needs the design's calibration_rate and max_error_stop",
                      "(CalibrationRate and MaxErrorStop in a design file)."))
  }
  threads <- check_whole_number(threads, "threads", 1, 1024)
  range <- replicate_range(replicates, design$trials)
  looks <- unwrap(calibration_looks_cpp(design, range[1], range[2], threads))
  calibration <- new_calibration(design, looks, range)
  if (calibration$complete && !is.null(precision_note(calibration))) {
    warning(precision_warning(precision_note(calibration), sys.call()))
  }
  calibration
}

# A calibration of replicates range[1]..range[2]. Once it holds every
# replicate it carries the figures at every cut-off that changes one; a shard
# carries only its look table, to be combined with c().
new_calibration <- function(design, looks, range) {
  fields <- run_fields(design, range)
  result <- if (fields$complete) calibrate_cpp(design, looks) else list()
  structure(c(fields,
              list(looks = looks, rates = result$rates,
                   calibration_scenario = result$calibration_scenario,
                   rate_order = result$order,
                   calibration = result$table, chosen_cutoff = result$chosen_cutoff,
                   same_figures = if (length(result$interval)) {
                     c(result$interval$low, result$interval$high)
                   },
                   protocol_cutoff = if (length(result$interval)) result$interval$short,
                   protocol_cutoff_text = if (length(result$interval)) result$interval$short_text,
                   calibration_se = if (length(result$interval)) result$interval$se,
                   oc = result$oc, oc_table = result$oc_table)),
            class = "qm_calibration")
}

c.qm_calibration <- function(...) {
  qm_merge(...)
}

# The calibration's own figures at the chosen cut-off.
chosen_row <- function(x) {
  table <- x$calibration
  table[table$cutoff == x$chosen_cutoff &
          table$rate == x$rates[x$calibration_scenario], , drop = FALSE]
}

# The share of the limit that the Monte Carlo standard error of a
# probability at the limit may take: beyond it the chosen cut-off is mostly
# chance (0.864 with 200 trials, 0.773 with 60 for one design).
precision_share <- 0.1

# NULL when the trials suffice for the limit; otherwise what to say.
precision_note <- function(x) {
  limit <- x$design$max_error_stop
  trials <- x$design$trials
  se <- sqrt(limit * (1 - limit) / trials)
  if (se <= precision_share * limit) {
    return(NULL)
  }
  needed <- ceiling((1 - limit) / (precision_share^2 * limit))
  sprintf(paste("With %d trials per rate the Monte Carlo standard error of a probability",
                "near the limit %g is %.4f (%.0f%% of the limit), so the chosen cut-off is",
                "uncertain: use at least %d trials."),
          trials, limit, se, 100 * se / limit, needed)
}

precision_warning <- function(text, call) {
  structure(class = c("quillmere_precision_warning", "warning", "condition"),
            list(message = text, call = call))
}

format.qm_calibration <- function(x, ...) {
  lines <- run_header_lines(x, "calibration")
  if (!x$complete) {
    return(lines)
  }
  design <- x$design
  lines <- c(lines,
             sprintf("Stopping is an error at a true rate of %g; its probability must be at most %g.",
                     design$calibration_rate, design$max_error_stop),
             sprintf("%d cut-offs change a figure.", length(unique(x$calibration$cutoff))))
  if (is.na(x$chosen_cutoff)) {
    return(c(lines, "No cut-off keeps the probability of stopping at that rate within the limit.",
             precision_note(x)))
  }
  at <- chosen_row(x)
  c(lines,
    sprintf("Smallest such cut-off: %s (P(early stop) at %g: %.4f, 95%% interval [%.4f, %.4f])",
            shortest_text_cpp(x$chosen_cutoff), at$rate, at$p_early_stop, at$p_low, at$p_high),
    sprintf("Every cut-off from %s up to (not including) %s gives the same figures; for a protocol: %s.",
            shortest_text_cpp(x$same_figures[1]), shortest_text_cpp(x$same_figures[2]),
            x$protocol_cutoff_text),
    sprintf("Monte Carlo standard error of P(early stop) at %g: %.4f (%d trials).", at$rate,
            x$calibration_se, design$trials),
    if (!is.null(precision_note(x))) paste("Warning:", precision_note(x)),
    "Operating characteristics at that cut-off:",
    table_lines(x$oc_table),
    sprintf("Durations in %s.", design$time_unit))
}

print.qm_calibration <- function(x, ...) {
  cat(format(x), sep = "\n")
  invisible(x)
}

# "cutoffs": calibration.csv, the rates of each cut-off in the design's
# order; "oc": the operating characteristics at the chosen cut-off; "looks":
# calibration_looks.csv.
as.data.frame.qm_calibration <- function(x, row.names = NULL, optional = FALSE,
                                         what = c("cutoffs", "oc", "looks"), ...) {
  what <- match.arg(what)
  if (what != "looks" && !x$complete) {
    input_error("A shard has no calibration: combine the shards with c() first.")
  }
  if (what == "looks") {
    return(x$looks)
  }
  if (what == "oc") {
    return(x$oc)
  }
  table <- x$calibration
  rank <- match(table$rate, x$rates[x$rate_order])
  table <- table[order(table$cutoff, rank, method = "radix"), , drop = FALSE]
  rownames(table) <- NULL
  table
}

summary.qm_calibration <- function(object, ...) {
  object$oc
}

plot.qm_calibration <- function(x, ...) {
  if (!x$complete) {
    input_error("A shard has no calibration: combine the shards with c() first.")
  }
  draw(calibration_plot(x))
}
