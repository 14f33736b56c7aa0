qm_stability <- function(trial, patients = NULL, runs = 200, threads = machine_cores(), seed = 1) {
  input <- rule_and_patients(trial, patients, "qm_stability")
  runs <- check_whole_number(runs, "runs", 2, 1000000)
  threads <- check_whole_number(threads, "threads", 1, 1024)
  seed <- seed_text(seed)
  study <- unwrap(stability_cpp(input$rule, input$patients, runs, threads, seed))
  decision <- new_decision(study$fixed, input$rule, input$patients)
  structure(
    list(
      rule = input$rule,
      decision = decision,
      runs = study$runs,
      seed = seed,
      mean = study$mean,
      mean_se = study$mean_se,
      run_sd = study$run_sd,
      differing_advice = study$differing_advice,
      differing_interval = c(study$differing_low, study$differing_high)
    ),
    class = "qm_stability"
  )
}

advice_word <- function(terminate) {
  if (terminate) "terminate" else "continue"
}

format.qm_stability <- function(x, ...) {
  decision <- x$decision
  runs <- nrow(x$runs)
  c(sprintf("<Quillmere stability: %s, cut-off %s; %d patients, %d pending>",
            event_type_words(x$rule), shortest_text_cpp(x$rule$cutoff), decision$patients,
            decision$pending),
    if (!is.na(decision$warning)) decision$warning,
    sprintf("quillmere (its fixed streams):  probability %.6f, advice: %s",
            decision$probability, advice_word(decision$terminate)),
    sprintf("Independent runs:              %d (seed %s)", runs, x$seed),
    sprintf("Mean probability over runs:    %.6f (standard error %.6f)", x$mean, x$mean_se),
    sprintf("SD of one run's probability:   %.6f", x$run_sd),
    sprintf("Runs advising otherwise:       %d of %d (%.1f%%; 95%% Wilson interval %.1f%% to %.1f%%)",
            x$differing_advice, runs, 100 * x$differing_advice / runs,
            100 * x$differing_interval[1], 100 * x$differing_interval[2]))
}

print.qm_stability <- function(x, ...) {
  cat(format(x), sep = "\n")
  invisible(x)
}

# "summary": one row of the figures; "runs": stability.csv (run,
# probability, terminate).
as.data.frame.qm_stability <- function(x, row.names = NULL, optional = FALSE,
                                       what = c("summary", "runs"), ...) {
  what <- match.arg(what)
  if (what == "runs") x$runs else summary(x)
}

summary.qm_stability <- function(object, ...) {
  data.frame(
    probability = object$decision$probability,
    advice = if (object$decision$terminate) "TERMINATE" else "CONTINUE",
    runs = nrow(object$runs),
    mean = object$mean,
    mean_se = object$mean_se,
    run_sd = object$run_sd,
    differing_advice = object$differing_advice,
    differing_low = object$differing_interval[1],
    differing_high = object$differing_interval[2],
    stringsAsFactors = FALSE
  )
}

plot.qm_stability <- function(x, ...) {
  draw(stability_plot(x))
}
