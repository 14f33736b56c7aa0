# The figures of the print-and-plot methods, drawn with ggplot2. A plot
# method draws its figure and returns the ggplot object invisibly, so that it
# can be changed and drawn again.

draw <- function(plot) {
  print(plot)
  invisible(plot)
}

# Text wrapped to lines that fit a figure 6 inches wide in the sizes of
# theme_minimal(): captions (8.8 pt) about 85 characters, subtitles (11 pt)
# about 72, titles (13.2 pt) about 60.
caption_width <- 85
subtitle_width <- 72
title_width <- 60

wrap_lines <- function(text, width = caption_width) {
  paste(vapply(strsplit(text, "\n", fixed = TRUE)[[1]],
               function(line) paste(strwrap(line, width = width), collapse = "\n"),
               character(1)),
        collapse = "\n")
}

# Each patient's follow-up within the window: a line from enrolment to the
# event or to the end of follow-up (capped at the window), a cross at an
# event, and the part of the window from which no patient has been followed
# shaded (there the imputation rests on the prior alone). Up to 40 patients
# are named on the axis; beyond, they are numbered in the data's order and
# the lines grow thinner, so that 500 patients still read as a chart.
follow_up_plot <- function(rule, patients, uninformed_from, title, subtitle = NULL,
                           time_unit = NULL) {
  window <- rule$window
  count <- nrow(patients)
  status <- ifelse(patients$event == 1L, "event",
                   ifelse(patients$follow_up < window, "pending", "complete"))
  levels <- c("complete", "event", "pending")
  labels <- sprintf("%s (%d)", levels, vapply(levels, function(l) sum(status == l), integer(1)))
  frame <- data.frame(
    row = rev(seq_len(count)),
    end = ifelse(patients$event == 1L, patients$time, pmin(patients$follow_up, window)),
    status = factor(status, levels = levels, labels = labels),
    stringsAsFactors = FALSE
  )
  thickness <- max(0.15, min(0.8, 40 / max(count, 1)))
  unit <- if (is.null(time_unit)) "in the unit of the data's times" else time_unit
  plot <- ggplot2::ggplot(frame)
  if (!is.na(uninformed_from)) {
    plot <- plot +
      ggplot2::annotate("rect", xmin = uninformed_from, xmax = window, ymin = -Inf,
                        ymax = Inf, fill = "grey60", alpha = 0.3) +
      ggplot2::annotate("text", x = (uninformed_from + window) / 2, y = count + 1,
                        label = "no follow-up:\nprior only", size = 3, vjust = 0)
  }
  axis <- if (count <= 40) {
    # Beyond 20 patients every other one is named, so that names stay apart
    # in a figure 4 inches high.
    named <- if (count > 20) seq_len(count) %% 2 == 1 else rep(TRUE, count)
    ggplot2::scale_y_continuous(breaks = frame$row[named], labels = patients$id[named],
                                expand = ggplot2::expansion(add = c(1, 3)))
  } else {
    breaks <- pretty(c(1, count))
    breaks <- breaks[breaks >= 1 & breaks <= count]
    ggplot2::scale_y_continuous(breaks = count + 1 - breaks, labels = breaks,
                                expand = ggplot2::expansion(add = c(1, count / 15 + 2)))
  }
  plot +
    ggplot2::geom_segment(ggplot2::aes(x = 0, xend = .data$end, y = .data$row,
                                       yend = .data$row, colour = .data$status),
                          linewidth = thickness) +
    ggplot2::geom_point(data = frame[status == "event", ],
                        ggplot2::aes(x = .data$end, y = .data$row), shape = 4,
                        size = max(0.5, min(2, 60 / max(count, 1)))) +
    ggplot2::geom_vline(xintercept = window, linetype = "dashed") +
    ggplot2::annotate("text", x = window, y = -Inf, label = sprintf("window %g", window),
                      hjust = 1.05, vjust = -0.5, size = 3) +
    ggplot2::scale_colour_manual(values = stats::setNames(c("grey35", "firebrick", "steelblue"),
                                                          labels), drop = FALSE) +
    axis +
    ggplot2::labs(x = sprintf("time since enrolment (%s)", unit),
                  y = if (count <= 40) NULL else "patient (in the data's order)",
                  colour = NULL, title = wrap_lines(title, title_width),
                  subtitle = if (!is.null(subtitle)) wrap_lines(subtitle, subtitle_width)) +
    ggplot2::guides(colour = ggplot2::guide_legend(override.aes = list(linewidth = 2))) +
    ggplot2::theme_minimal() +
    ggplot2::theme(axis.text.y = ggplot2::element_text(size = if (count <= 40) 7 else 8),
                   legend.position = "bottom",
                   plot.title.position = "plot", plot.caption.position = "plot")
}

# The facts behind a design's figure, wrapped to fit.
design_caption <- function(design, bars = "") {
  wrap_lines(paste0(sprintf("N = %d, first look after %d patients, then every %d; run-in %d; %d trials per rate; seed %s.",
                            design$max_patients, design$first_look, design$look_every,
                            design$min_completed, design$trials, design$seed),
                    bars))
}

# Early termination means stopping for safety for toxicity and for futility
# otherwise.
termination_words <- function(rule) {
  if (rule$type == "Toxicity") "early termination for safety" else "early termination for futility"
}

# The bars of the figures, as the companion's plots draw them.
interval_note <- paste(" Bars: 95% Monte Carlo intervals (Wilson for probabilities,",
                       "mean \u00b1 1.96 s.e. for the expected number of patients).")
normal_quantile <- 1.959963984540054

protocol_theme <- function() {
  ggplot2::theme_minimal() +
    ggplot2::theme(plot.title.position = "plot", plot.caption.position = "plot",
                   plot.caption = ggplot2::element_text(hjust = 0),
                   legend.position = "bottom")
}

# Probability of early termination and expected number of patients against
# the true rate, with their Monte Carlo uncertainty.
operating_plot <- function(simulation) {
  oc <- simulation$oc
  design <- simulation$design
  figures <- c(paste("probability of", termination_words(design$rule)),
               "expected number of patients")
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
  bound <- design$rule$rate_bound
  ggplot2::ggplot(frame, ggplot2::aes(x = .data$true_rate, y = .data$estimate)) +
    ggplot2::geom_vline(xintercept = bound, linetype = "dotted", colour = "grey30") +
    ggplot2::annotate("text", x = bound, y = Inf, label = sprintf("rate bound %g", bound),
                      hjust = -0.05, vjust = 1.3, size = 3, colour = "grey30") +
    ggplot2::geom_line(colour = "steelblue") +
    ggplot2::geom_errorbar(ggplot2::aes(ymin = .data$low, ymax = .data$high),
                           width = 0.01, colour = "steelblue") +
    ggplot2::geom_point(colour = "steelblue") +
    ggplot2::facet_wrap(~figure, scales = "free_y") +
    ggplot2::labs(x = sprintf("true %s rate", event_type_words(design$rule)),
                  y = NULL, title = "Operating characteristics",
                  subtitle = sprintf("terminate when %s > %s", rule_probability_words(design$rule),
                                     shortest_text_cpp(design$rule$cutoff)),
                  caption = design_caption(design, interval_note)) +
    protocol_theme()
}

# The bars and their points dodged alike, so that every bar stands on its
# point.
stopping_plot <- function(simulation) {
  frame <- simulation$by_look
  frame$rate <- factor(frame$true_rate, levels = unique(simulation$oc$true_rate))
  design <- simulation$design
  step <- design$look_every
  dodge <- ggplot2::position_dodge(width = 0.5 * step)
  ggplot2::ggplot(frame, ggplot2::aes(x = .data$patients_enrolled, y = .data$stop_probability,
                                      colour = .data$rate, group = .data$rate)) +
    ggplot2::geom_line(position = dodge) +
    ggplot2::geom_errorbar(ggplot2::aes(ymin = .data$stop_probability_ci_low,
                                        ymax = .data$stop_probability_ci_high),
                           width = 0.3 * step / max(1, length(levels(frame$rate))),
                           position = dodge) +
    ggplot2::geom_point(position = dodge) +
    ggplot2::scale_x_continuous(breaks = unique(frame$patients_enrolled)) +
    ggplot2::labs(x = "patients enrolled at the look", y = "probability of stopping at the look",
                  colour = sprintf("true %s rate", event_type_words(design$rule)),
                  title = sprintf("Stopping by look: %s", termination_words(design$rule)),
                  caption = design_caption(design,
                                           " Bars: 95% Wilson intervals. Looks held back by the run-in cannot stop the trial.")) +
    protocol_theme()
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
  frame$rate <- factor(frame$rate, levels = calibration$rates[calibration$rate_order],
                       labels = labels[calibration$rate_order])
  limit <- design$max_error_stop
  plot <- ggplot2::ggplot(frame, ggplot2::aes(x = .data$cutoff, y = .data$p_early_stop,
                                              colour = .data$rate)) +
    ggplot2::geom_step(direction = "hv") +
    ggplot2::geom_hline(yintercept = limit, linetype = "dashed", colour = "grey40") +
    ggplot2::annotate("text", x = 0, y = limit, label = sprintf("limit %g", limit), hjust = 0,
                      vjust = -0.4, size = 3, colour = "grey30")
  if (!is.na(calibration$chosen_cutoff)) {
    plot <- plot +
      ggplot2::geom_vline(xintercept = calibration$chosen_cutoff, linetype = "dotted") +
      ggplot2::annotate("text", x = calibration$chosen_cutoff, y = 1,
                        label = sprintf("cut-off %s", calibration$protocol_cutoff_text),
                        hjust = 1.05, vjust = 1, size = 3)
  }
  plot +
    ggplot2::scale_x_continuous(limits = c(0, 1)) +
    ggplot2::scale_y_continuous(limits = c(0, 1)) +
    ggplot2::labs(x = "cut-off probability",
                  y = "P(early termination)",
                  colour = sprintf("true %s rate", event_type_words(design$rule)),
                  title = wrap_lines(sprintf("Calibration of the cut-off: %s",
                                             termination_words(design$rule)), title_width),
                  subtitle = wrap_lines(sprintf(
                    "terminate when %s > cut-off; dashed: the limit %g at a true rate of %g; dotted: the chosen cut-off %s (the same figures from %s up to %s)",
                    rule_probability_words(design$rule), limit, design$calibration_rate,
                    if (is.na(calibration$chosen_cutoff)) "none"
                    else calibration$protocol_cutoff_text,
                    if (is.na(calibration$chosen_cutoff)) "-"
                    else shortest_text_cpp(calibration$same_figures[1]),
                    if (is.na(calibration$chosen_cutoff)) "-"
                    else shortest_text_cpp(calibration$same_figures[2])), subtitle_width),
                  caption = design_caption(design)) +
    protocol_theme()
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
    ggplot2::annotate("text", x = cutoff, y = Inf, label = sprintf("cut-off %s",
                                                                   shortest_text_cpp(cutoff)),
                      hjust = if (cutoff >= fixed) 1.05 else -0.05, vjust = 1.5, size = 3,
                      colour = "#cc3311") +
    ggplot2::geom_vline(xintercept = fixed, colour = "black", linewidth = 0.8) +
    ggplot2::annotate("text", x = fixed, y = Inf, label = sprintf("quillmere %.4f", fixed),
                      hjust = if (cutoff >= fixed) -0.05 else 1.05, vjust = 3, size = 3) +
    ggplot2::labs(x = sprintf("%s in one run", rule_probability_words(stability$rule)), y = "runs",
                  title = sprintf("Probability of %d runs with independent streams",
                                  nrow(stability$runs)),
                  subtitle = wrap_lines(paste0(
                    sprintf("mean %.4f (SE %.4f), SD of one run %.4f; dashed: cut-off %s; solid: quillmere's own run %.4f",
                            stability$mean, stability$mean_se, stability$run_sd,
                            shortest_text_cpp(cutoff), fixed),
                    if (!is.na(stability$decision$warning)) {
                      paste0("\n", stability$decision$warning)
                    } else ""), subtitle_width)) +
    protocol_theme()
}
