qm_calibrate <- function(design, threads = machine_cores(), replicates = NULL) {
  design <- validated_design(unclass(check_class(design, "qm_design", "design")))
  if (is.na(design$calibration_rate) || is.na(design$max_error_stop)) {
    input_error(paste("qm_calibrate needs the design's calibration_rate and max_error_stop",
                      "(CalibrationRate and MaxErrorStop in a design file)."))
  }
  threads <- check_whole_number(threads, "threads", 1, 1024)
  range <- replicate_range(replicates, design$trials)
  looks <- unwrap(calibration_looks_cpp(design, range[1], range[2], threads))
  new_calibration(design, looks, range)
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
                   calibration = result$table, chosen_cutoff = result$chosen_cutoff,
                   oc = result$oc)),
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

print.qm_calibration <- function(x, ...) {
  if (!print_run_header(x, "calibration")) {
    return(invisible(x))
  }
  design <- x$design
  cat(sprintf("Stopping is an error at a true rate of %g; its probability must be at most %g.\n",
              design$calibration_rate, design$max_error_stop))
  cat(sprintf("%d cut-offs change a figure.\n", length(unique(x$calibration$cutoff))))
  if (is.na(x$chosen_cutoff)) {
    cat("No cut-off keeps the probability of stopping at that rate within the limit.\n")
    return(invisible(x))
  }
  at <- chosen_row(x)
  cat(sprintf("Smallest such cut-off: %s (P(early stop) at %g: %.4f, 95%% interval [%.4f, %.4f])\n",
              shortest_text_cpp(x$chosen_cutoff), at$rate, at$p_early_stop, at$p_low,
              at$p_high))
  cat("Any cut-off from it up to the next one in $calibration gives the same figures.\n")
  cat("Operating characteristics at that cut-off:\n")
  print_operating_table(x$oc, design)
  invisible(x)
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
