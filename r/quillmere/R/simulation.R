simulate.qm_design <- function(object, nsim = NULL, seed = NULL, threads = machine_cores(),
                               replicates = NULL, ...) {
  design <- unclass(object)
  if (!is.null(nsim)) {
    design$trials <- check_single_number(nsim, "nsim")
  }
  if (!is.null(seed)) {
    design$seed <- seed_text(seed)
  }
  design <- validated_design(design)
  threads <- check_whole_number(threads, "threads", 1, 1024)
  range <- replicate_range(replicates, design$trials)
  outcomes <- unwrap(simulate_cpp(design, range[1], range[2], threads))
  new_simulation(design, outcomes, range)
}

# Replicates A to B (counted from 1) of every scenario; all by default.
replicate_range <- function(replicates, trials) {
  if (is.null(replicates)) {
    return(c(1L, as.integer(trials)))
  }
  if (!is.numeric(replicates) || length(replicates) != 2L || anyNA(replicates) ||
      any(replicates != round(replicates)) || replicates[1] < 1 ||
      replicates[2] < replicates[1] || replicates[2] > trials) {
    input_error(sprintf("The argument replicates must be two whole numbers c(A, B) with 1 <= A <= B <= %d.",
                        as.integer(trials)), call = sys.call(-1))
  }
  as.integer(replicates)
}

# A simulation of replicates range[1]..range[2]. Once it holds every replicate
# of the design it carries the operating characteristics and the stopping by
# look; a shard carries only its replicates, to be combined with c().
new_simulation <- function(design, replicates, range) {
  fields <- run_fields(design, range)
  summary <- if (fields$complete) summarise_cpp(design, replicates) else list()
  structure(c(fields,
              list(replicates = replicates, oc = summary$oc, by_look = summary$by_look,
                   late_outcomes = summary$late_outcomes, tables = summary$tables)),
            class = "qm_simulation")
}

# What a simulation and a calibration of replicates range[1]..range[2] share.
run_fields <- function(design, range) {
  list(design = design, seed = design$seed, replicates_range = range,
       complete = range[1] == 1L && range[2] == design$trials)
}

# The first line of a simulation's or calibration's print, and for a shard
# the line that says so.
run_header_lines <- function(x, what) {
  design <- x$design
  c(sprintf("<Quillmere %s: %s design, %d trials per rate, seed %s>", what,
            event_type_words(design$rule), design$trials, x$seed),
    if (!x$complete) {
      sprintf("A shard: replicates %d-%d of %d. Combine the shards with c() or qm_merge().",
              x$replicates_range[1], x$replicates_range[2], design$trials)
    })
}

qm_merge <- function(...) {
  parts <- list(...)
  if (length(parts) == 1L && is.list(parts[[1]]) && !inherits(parts[[1]], "qm_simulation") &&
      !inherits(parts[[1]], "qm_calibration")) {
    parts <- parts[[1]]
  }
  kinds <- c("qm_simulation", "qm_calibration")
  kind <- kinds[vapply(kinds, function(k) length(parts) > 0L &&
                         all(vapply(parts, inherits, logical(1), what = k)), logical(1))]
  if (length(kind) == 0L) {
    input_error(paste("qm_merge combines qm_simulation objects or qm_calibration objects",
                      "(the shards of one design)."))
  }
  # A calibration's shards must also share the calibration rate.
  fingerprints <- vapply(parts, function(part) {
    paste(design_fingerprint_cpp(part$design), part$design$calibration_rate)
  }, character(1))
  if (any(fingerprints != fingerprints[1])) {
    input_error("The shards belong to different designs (or seeds) and cannot be combined.")
  }
  ranges <- t(vapply(parts, function(part) part$replicates_range, integer(2)))
  ranges <- ranges[order(ranges[, 1]), , drop = FALSE]
  check_shard_ranges(ranges)
  rows <- if (kind == "qm_simulation") "replicates" else "looks"
  table <- do.call(rbind, lapply(parts, function(part) part[[rows]]))
  # Stable: the rows of one replicate keep their order.
  table <- table[order(table$scenario, table$replicate, method = "radix"), ]
  rownames(table) <- NULL
  range <- c(ranges[1, 1], ranges[nrow(ranges), 2])
  if (kind == "qm_simulation") {
    new_simulation(parts[[1]]$design, table, range)
  } else {
    new_calibration(parts[[1]]$design, table, range)
  }
}

# Shards, sorted by their first replicate, must follow each other without
# overlap or gap.
check_shard_ranges <- function(ranges) {
  for (i in seq_len(nrow(ranges) - 1L)) {
    if (ranges[i + 1L, 1] <= ranges[i, 2]) {
      input_error(sprintf("Replicates %d-%d appear in more than one part.",
                          ranges[i + 1L, 1], min(ranges[i, 2], ranges[i + 1L, 2])),
                  call = sys.call(-1))
    }
    if (ranges[i + 1L, 1] > ranges[i, 2] + 1L) {
      input_error(sprintf("Replicates %d-%d are missing between the parts.",
                          ranges[i, 2] + 1L, ranges[i + 1L, 1] - 1L), call = sys.call(-1))
    }
  }
}

c.qm_simulation <- function(...) {
  qm_merge(...)
}

# The companion's tables as its design library writes them: every estimate
# with its Monte Carlo standard error, P(early stop) with its 95% Wilson
# interval, the stopping probability at each look, then the late outcomes.
format.qm_simulation <- function(x, ...) {
  lines <- run_header_lines(x, "simulation")
  if (x$complete) {
    lines <- c(lines, table_lines(x$tables),
               sprintf("Durations in %s.", x$design$time_unit))
  }
  lines
}

# A table text of the library as lines, without its leading blank line.
table_lines <- function(text) {
  lines <- strsplit(text, "\n", perl = TRUE)[[1]]
  if (length(lines) > 0L && lines[1] == "") lines[-1] else lines
}

print.qm_simulation <- function(x, ...) {
  cat(format(x), sep = "\n")
  invisible(x)
}

# The companion's files: "oc" operating_characteristics.csv, "by_look"
# stopping_by_look.csv, "late_outcomes" late_outcomes.csv, "replicates"
# replicates.csv.
as.data.frame.qm_simulation <- function(x, row.names = NULL, optional = FALSE,
                                        what = c("oc", "by_look", "late_outcomes",
                                                 "replicates"), ...) {
  what <- match.arg(what)
  if (what != "replicates" && !x$complete) {
    input_error("A shard has no operating characteristics: combine the shards with c() first.")
  }
  x[[what]]
}

summary.qm_simulation <- function(object, ...) {
  object$oc
}

plot.qm_simulation <- function(x, which = c("oc", "by_look"), ...) {
  which <- match.arg(which)
  if (!x$complete) {
    input_error("A shard has no operating characteristics: combine the shards with c() first.")
  }
  draw(if (which == "oc") operating_plot(x) else stopping_plot(x))
}

estimate_text <- function(estimate, error, digits) {
  sprintf("%.*f \u00b1 %.*f", digits, estimate, digits, error)
}

# A probability as the companion's tables show it: the estimate, its Monte
# Carlo standard error and its 95% Wilson interval.
probability_text <- function(estimate, error, low, high) {
  sprintf("%.4f (%.4f) [%.4f, %.4f]", estimate, error, low, high)
}
