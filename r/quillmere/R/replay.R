qm_replay <- function(sim, scenario, replicate, look) {
  design <- if (inherits(sim, "qm_design")) sim else check_class(sim, "qm_simulation", "sim")$design
  scenario <- check_whole_number(scenario, "scenario", 1, length(design$true_rates))
  replicate <- check_whole_number(replicate, "replicate", 1, design$trials)
  look <- check_whole_number(look, "look", 1, design$max_patients)
  found <- unwrap(replay_cpp(unclass(design), scenario, replicate, look))
  if (!found$found) {
    input_error(missing_look_text(design, look, found))
  }
  rule <- rule_from_list(found$rule)
  trial <- new_trial(rule, found$patients)
  structure(
    list(
      scenario = scenario,
      replicate = replicate,
      look = look,
      true_rate = design$true_rates[scenario],
      enrolled = found$enrolled,
      time = found$time,
      trial = trial,
      decision = qm_decide(trial),
      simulated = found$simulated
    ),
    class = "qm_replay"
  )
}

# Why the simulation did not run a look, and which looks it ran.
missing_look_text <- function(design, look, found) {
  reason <- if (look > found$scheduled_looks) {
    sprintf("There is no look (%d): the design has %d looks.", look, found$scheduled_looks)
  } else if (found$stop_look > 0L && look > found$stop_look) {
    sprintf("Look (%d) was not reached: this trial stopped at look %d.", look, found$stop_look)
  } else {
    sprintf("Look (%d) was skipped by the run-in: fewer than %d outcomes were known.",
            look, design$min_completed)
  }
  runs <- if (length(found$looks_run) == 0L) "none" else paste(found$looks_run, collapse = " ")
  paste0(reason, "\nLooks run in this trial: ", runs)
}

print.qm_replay <- function(x, ...) {
  cat(sprintf("<Quillmere replay: look %d of replicate %d, scenario %d (true rate %g)>\n",
              x$look, x$replicate, x$scenario, x$true_rate))
  cat(sprintf("%d patients enrolled at time %g.\n", x$enrolled, x$time))
  print(x$decision)
  invisible(x)
}
