# Every figure rendered at a small and a large size, as a protocol would take
# it. QUILLMERE_PLOT_DIR keeps the images to look at.

# Draws the figure without opening a window and returns the ggplot object.
figure <- function(expression) {
  grDevices::pdf(NULL)
  on.exit(grDevices::dev.off())
  expression
}

figures <- local({
  cache <- NULL
  function() {
    if (!is.null(cache)) {
      return(cache)
    }
    trial <- qm_read_trial(extdata("toxicity"), 1)
    sim <- simulate(small_design("Efficacy", trials = 8, seed = 3))
    calibration <- calibrate_quietly(calibration_design("Toxicity", trials = 8, seed = 3))
    rule <- qm_rule("toxicity", 0.3, 0.9, 90)
    prior_only <- data.frame(id = sprintf("P%02d", 1:12), event = 0,
                             time = seq(60, 5, by = -5), follow_up = seq(60, 5, by = -5))
    many <- 500
    crowd <- data.frame(id = sprintf("P%03d", seq_len(many)),
                        event = rep(c(0L, 0L, 1L), length.out = many),
                        time = (seq_len(many) %% 90) + 1, follow_up = (seq_len(many) %% 120) + 1)
    crowd$time[crowd$event == 0L] <- pmin(crowd$follow_up[crowd$event == 0L], 90)
    crowd$time[crowd$event == 1L] <- pmin(crowd$time[crowd$event == 1L],
                                          crowd$follow_up[crowd$event == 1L])
    cache <<- figure(list(
      decision = plot(qm_decide(trial)),
      prior_only = plot(qm_decide(rule, prior_only)),
      follow_up_500 = plot(qm_decide(rule, crowd)),
      oc = plot(sim),
      by_look = plot(sim, "by_look"),
      calibration = plot(calibration),
      stability = plot(qm_stability(trial, runs = 20, seed = 1))
    ))
    cache
  }
})

test_that("every figure renders at 6 and 10 inches without a warning", {
  keep <- Sys.getenv("QUILLMERE_PLOT_DIR")
  directory <- if (nzchar(keep)) keep else tempfile("plots-")
  dir.create(directory, showWarnings = FALSE, recursive = TRUE)
  sizes <- list(small = c(6, 4), large = c(10, 7))
  for (name in names(figures())) {
    for (size in names(sizes)) {
      file <- file.path(directory, sprintf("%s-%s.png", name, size))
      expect_silent(ggplot2::ggsave(file, figures()[[name]], width = sizes[[size]][1],
                                    height = sizes[[size]][2], dpi = 100))
      expect_gt(file.size(file), 5000)
    }
  }
})

test_that("titles, subtitles and captions are wrapped to fit 6 inches", {
  for (name in names(figures())) {
    labels <- figures()[[name]]$labels
    for (part in c("subtitle", "caption")) {
      lines <- if (is.null(labels[[part]])) character() else strsplit(labels[[part]], "\n")[[1]]
      expect_true(all(nchar(lines) <= c(subtitle = 72, caption = 85)[[part]]),
                  label = paste(name, part))
    }
    title <- strsplit(labels$title, "\n")[[1]]
    expect_true(all(nchar(title) <= 60), label = paste(name, "title"))
  }
})

test_that("the figures carry what a protocol needs", {
  all <- figures()
  # The decision: the exact probability and the advice; the prior-only warning.
  expect_match(all$decision$labels$title, "^Pr\\(toxicity rate > 0.3\\) = 0.608893: CONTINUE$")
  expect_match(all$prior_only$labels$subtitle, "no patient has been followed beyond time 60")
  expect_match(all$decision$labels$x, "time since enrolment")
  # Efficacy stops for futility; the rate bound is marked and labelled.
  expect_match(levels(all$oc$data$figure)[1], "early termination for futility")
  expect_match(all$by_look$labels$title, "for futility")
  layers <- function(plot) vapply(plot$layers, function(l) class(l$geom)[1], character(1))
  expect_true("GeomVline" %in% layers(all$oc))
  expect_true(any(vapply(all$oc$layers, function(l) identical(l$aes_params$label, "rate bound 0.3") ||
                           identical(l$data$label, "rate bound 0.3"), logical(1))))
  # Bars and points of the by-look figure are dodged alike.
  dodged <- vapply(all$by_look$layers, function(l) class(l$position)[1], character(1))
  expect_identical(unname(dodged), rep("PositionDodge", 3L))
  # The calibration marks the limit and the chosen cut-off with labels.
  expect_true(all(c("GeomHline", "GeomVline") %in% layers(all$calibration)))
})
