# The figures of the print-and-plot methods, drawn with ggplot2. A plot
# method draws its figure and returns the ggplot object invisibly, so that it
# can be changed and drawn again.

draw <- function(plot) {
  print(plot)
  invisible(plot)
}

# Each patient's follow-up within the window: a line from enrolment to the
# event or to the end of follow-up (capped at the window), a cross at an
# event, and the part of the window from which no patient has been followed
# shaded (there the imputation rests on the prior alone).
follow_up_plot <- function(rule, patients, uninformed_from, title) {
  window <- rule$window
  status <- ifelse(patients$event == 1L, "event",
                   ifelse(patients$follow_up < window, "pending", "complete"))
  frame <- data.frame(
    row = rev(seq_len(nrow(patients))),
    end = ifelse(patients$event == 1L, patients$time, pmin(patients$follow_up, window)),
    status = factor(status, levels = c("complete", "event", "pending")),
    stringsAsFactors = FALSE
  )
  plot <- ggplot2::ggplot(frame)
  if (!is.na(uninformed_from)) {
    plot <- plot +
      ggplot2::annotate("rect", xmin = uninformed_from, xmax = window, ymin = -Inf,
                        ymax = Inf, fill = "grey60", alpha = 0.3) +
      ggplot2::annotate("text", x = (uninformed_from + window) / 2, y = nrow(frame) + 1,
                        label = "no follow-up:\nprior only", size = 3, vjust = 0)
  }
  plot +
    ggplot2::geom_segment(ggplot2::aes(x = 0, xend = .data$end, y = .data$row,
                                       yend = .data$row, colour = .data$status),
                          linewidth = 0.8) +
    ggplot2::geom_point(data = frame[frame$status == "event", ],
                        ggplot2::aes(x = .data$end, y = .data$row), shape = 4, size = 2) +
    ggplot2::geom_vline(xintercept = window, linetype = "dashed") +
    ggplot2::scale_colour_manual(values = c(complete = "grey35", event = "firebrick",
                                            pending = "steelblue"), drop = FALSE) +
    ggplot2::scale_y_continuous(breaks = frame$row, labels = patients$id,
                                expand = ggplot2::expansion(add = c(1, 2))) +
    ggplot2::labs(x = sprintf("time since enrolment (window %g)", window), y = NULL,
                  colour = NULL, title = title) +
    ggplot2::theme_minimal() +
    ggplot2::theme(axis.text.y = if (nrow(frame) > 40) ggplot2::element_blank()
                                 else ggplot2::element_text(size = 7),
                   legend.position = "bottom")
}

design_caption <- function(design, bars = "") {
  paste0(sprintf("N = %d, first look after %d patients, then every %d; run-in %d; %d trials per rate; seed %s.",
                 design$max_patients, design$first_look, design$look_every,
                 design$min_completed, design$trials, design$seed),
         bars)
}

# The bars of the figures, as the companion's plots draw them.
interval_note <- paste(" Bars: 95% Monte Carlo intervals (Wilson for probabilities,",
                       "mean \u00b1 1.96 s.e. for the expected number of patients).")
normal_quantile <- 1.959963984540054

# Probability of early termination and expected number of patients against
# the true rate, with their Monte Carlo uncertainty.
operating_plot <- function(simulation) {
  oc <- simulation$oc
  figures <- c("probability of early termination", "expected number of patients")
  frame <- rbind(
    data.frame(true_rate = oc$true_rate, figure = figures[1],
               estimate = oc$early_stop_probability, error = oc$early_stop_se,
               low = oc$early_stop_ci_low, high = oc$early_stop_ci_high),
    data.frame(true_rate = oc$true_rate, figure = figures[2],
               estimate = oc$expected_patients, error = oc$expected_patients_se,
               low = oc$expected_patients - normal_quantile * oc$expected_patients_se,
               high = oc$expected_patients + normal_quantile * oc$expected_patients_se)
  )
  frame$figure <- factor(frame$figure, levels = figures)
  ggplot2::ggplot(frame, ggplot2::aes(x = .data$true_rate, y = .data$estimate)) +
    ggplot2::geom_line(colour = "steelblue") +
    ggplot2::geom_point(colour = "steelblue") +
    ggplot2::geom_errorbar(ggplot2::aes(ymin = .data$low, ymax = .data$high),
                           width = 0.005, colour = "steelblue") +
    ggplot2::facet_wrap(~figure, scales = "free_y") +
    ggplot2::labs(x = sprintf("true %s rate", event_type_words(simulation$design$rule)),
                  y = NULL, title = "Operating characteristics",
                  caption = design_caption(simulation$design, interval_note)) +
    ggplot2::theme_minimal()
}

stopping_plot <- function(simulation) {
  frame <- simulation$by_look
  frame$rate <- factor(frame$true_rate)
  ggplot2::ggplot(frame, ggplot2::aes(x = .data$patients_enrolled, y = .data$stop_probability,
                                      colour = .data$rate)) +
    ggplot2::geom_line() +
    ggplot2::geom_point() +
    ggplot2::geom_errorbar(ggplot2::aes(ymin = .data$stop_probability_ci_low,
                                        ymax = .data$stop_probability_ci_high),
                           width = 0.3, position = ggplot2::position_dodge(width = 0.6)) +
    ggplot2::labs(x = "patients enrolled at the look", y = "probability of stopping there",
                  colour = "true rate", title = "Stopping by look",
                  caption = design_caption(simulation$design,
                                           " Bars: 95% Wilson intervals. Looks held back by the run-in cannot stop the trial.")) +
    ggplot2::theme_minimal()
}

# P(early stop) against the cut-off for every rate, as steps: a figure holds
# from one changing cut-off up to the next (the last up to 1). The chosen
# cut-off and MaxErrorStop are marked.
calibration_plot <- function(calibration) {
  table <- calibration$calibration
  design <- calibration$design
  last <- table[table$cutoff == max(table$cutoff), , drop = FALSE]
  last$cutoff <- 1
  frame <- rbind(table, last)
  labels <- sprintf("%g%s", calibration$rates,
                    ifelse(seq_along(calibration$rates) == calibration$calibration_scenario,
                           " (calibration)", ""))
  frame$rate <- factor(frame$rate, levels = calibration$rates, labels = labels)
  plot <- ggplot2::ggplot(frame, ggplot2::aes(x = .data$cutoff, y = .data$p_early_stop,
                                              colour = .data$rate)) +
    ggplot2::geom_step(direction = "hv") +
    ggplot2::geom_hline(yintercept = design$max_error_stop, linetype = "dashed",
                        colour = "grey40")
  if (!is.na(calibration$chosen_cutoff)) {
    plot <- plot + ggplot2::geom_vline(xintercept = calibration$chosen_cutoff, linetype = "dotted")
  }
  plot +
    ggplot2::scale_x_continuous(limits = c(0, 1)) +
    ggplot2::scale_y_continuous(limits = c(0, 1)) +
    ggplot2::labs(x = "cut-off probability", y = "probability of early termination",
                  colour = "true rate",
                  title = sprintf("Calibration of the cut-off of %s",
                                  probability_label(design$rule)),
                  subtitle = sprintf("dashed: MaxErrorStop %g; dotted: chosen cut-off %s",
                                     design$max_error_stop,
                                     if (is.na(calibration$chosen_cutoff)) "none"
                                     else sprintf("%.4f", calibration$chosen_cutoff)),
                  caption = design_caption(design)) +
    ggplot2::theme_minimal()
}

# The probabilities of the runs with independent streams, with the cut-off
# (dashed) and quillmere's own probability (solid) marked.
stability_plot <- function(stability) {
  cutoff <- stability$rule$cutoff
  fixed <- stability$decision$probability
  ggplot2::ggplot(stability$runs, ggplot2::aes(x = .data$probability)) +
    ggplot2::geom_histogram(bins = 40, fill = "#7799cc", colour = "white") +
    ggplot2::geom_vline(xintercept = cutoff, linetype = "dashed", colour = "#cc3311",
                        linewidth = 0.8) +
    ggplot2::geom_vline(xintercept = fixed, colour = "black", linewidth = 0.8) +
    ggplot2::labs(x = "probability the advice is compared with", y = "runs",
                  title = sprintf("Probability of %d runs with independent streams",
                                  nrow(stability$runs)),
                  subtitle = sprintf("mean %.4f (SE %.4f), SD of one run %.4f; dashed: cut-off %s; solid: quillmere's own run %.4f",
                                     stability$mean, stability$mean_se, stability$run_sd,
                                     shortest_text_cpp(cutoff), fixed)) +
    ggplot2::theme_minimal()
}
