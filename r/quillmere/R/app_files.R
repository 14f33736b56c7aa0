# The app's downloads: the files the design companion writes for the same
# results, to the byte. Every number comes from the package's results; only
# the text is laid out here, with the companion's C formats (R's sprintf
# hands them to the C library) and the shortest exact text of a double where
# the companion writes one.

csv_text <- function(header, lines) {
  paste0(header, "\n", paste0(lines, "\n", collapse = ""))
}

# A whole-number column: R's integers print as %d.
whole_text <- function(values) {
  sprintf("%d", as.integer(values))
}

# A column in a C format, empty where the value is missing.
number_text <- function(format, values) {
  ifelse(is.na(values), "", sprintf(format, values))
}

boundaries_csv <- function(boundaries) {
  csv_text("patients,boundary,probability_at_boundary,probability_beside,monotone",
           paste(whole_text(boundaries$patients),
                 ifelse(is.na(boundaries$boundary), "", whole_text(boundaries$boundary)),
                 number_text("%.9g", boundaries$probability_at_boundary),
                 number_text("%.9g", boundaries$probability_beside),
                 ifelse(boundaries$monotone, "yes", "no"), sep = ","))
}

operating_csv <- function(oc) {
  figures <- c("early_stop_probability", "early_stop_se", "expected_patients",
               "expected_patients_se", "expected_duration", "expected_duration_se",
               "mean_looks_run", "mean_pending_per_look", "prior_only_look_share",
               "early_stop_ci_low", "early_stop_ci_high")
  columns <- c(list(whole_text(oc$scenario), shortest_text_cpp(oc$true_rate),
                    whole_text(oc$trials)),
               lapply(figures, function(name) sprintf("%.8g", oc[[name]])))
  csv_text(paste(c("scenario", "true_rate", "trials", figures), collapse = ","),
           do.call(paste, c(columns, sep = ",")))
}

stopping_csv <- function(by_look) {
  figures <- c("stop_probability", "stop_probability_se", "stop_probability_ci_low",
               "stop_probability_ci_high")
  columns <- c(list(whole_text(by_look$scenario), shortest_text_cpp(by_look$true_rate),
                    whole_text(by_look$look), whole_text(by_look$patients_enrolled)),
               lapply(figures, function(name) sprintf("%.8g", by_look[[name]])))
  csv_text(paste(c("scenario", "true_rate", "look", "patients_enrolled", figures),
                 collapse = ","),
           do.call(paste, c(columns, sep = ",")))
}

# The replicate file of a whole run, headed by the design's fingerprint so
# that the companion's merge and report accept it.
replicates_csv <- function(simulation) {
  r <- simulation$replicates
  paste0("# quillmere-design replicates\n# design: ",
         design_fingerprint_cpp(simulation$design), "\n",
         csv_text("scenario,replicate,stop_look,enrolled,duration,looks_run,pending_at_looks,prior_only_looks",
                  paste(whole_text(r$scenario), whole_text(r$replicate),
                        whole_text(r$stop_look), whole_text(r$enrolled),
                        sprintf("%.17g", r$duration), whole_text(r$looks_run),
                        whole_text(r$pending_at_looks), whole_text(r$prior_only_looks),
                        sep = ",")))
}

calibration_csv <- function(calibration) {
  table <- calibration$calibration
  figures <- c("p_early_stop", "p_low", "p_high", "expected_patients", "expected_patients_se",
               "expected_duration", "expected_duration_se")
  columns <- c(list(shortest_text_cpp(table$cutoff), shortest_text_cpp(table$rate)),
               lapply(figures, function(name) sprintf("%.8g", table[[name]])))
  csv_text(paste(c("cutoff", "rate", figures), collapse = ","),
           do.call(paste, c(columns, sep = ",")))
}

# Every look of a calibration; a line with look 0 closes each replicate with
# the duration of the trial run to the end.
calibration_looks_csv <- function(calibration) {
  looks <- calibration$looks
  design <- calibration$design
  closing <- looks$look == 0L
  rate <- if (is.na(design$calibration_rate)) 0 else design$calibration_rate
  lines <- ifelse(
    closing,
    paste0(whole_text(looks$scenario), ",", whole_text(looks$replicate), ",0,",
           whole_text(design$max_patients), ",,,,", shortest_text_cpp(looks$duration)),
    paste(whole_text(looks$scenario), whole_text(looks$replicate), whole_text(looks$look),
          whole_text(looks$enrolled), shortest_or_empty(looks$probability),
          whole_text(looks$pending), whole_text(looks$prior_only),
          shortest_text_cpp(looks$duration), sep = ","))
  paste0("# quillmere-design calibration looks\n# design: ",
         design_fingerprint_cpp(design), " calibration=", shortest_text_cpp(rate), "\n",
         csv_text("scenario,replicate,look,enrolled,probability,pending,prior_only,duration",
                  lines))
}

shortest_or_empty <- function(values) {
  text <- character(length(values))
  known <- !is.na(values)
  text[known] <- shortest_text_cpp(values[known])
  text
}

stability_csv <- function(stability) {
  runs <- stability$runs
  csv_text("run,probability,terminate",
           paste(whole_text(runs$run), shortest_text_cpp(runs$probability),
                 ifelse(runs$terminate, "1", "0"), sep = ","))
}
