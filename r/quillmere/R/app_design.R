# The design side of the app: the form is written as a design file and read
# back by the package's reader, so every setting is checked as the design
# companion checks it and numbers are read by the C++ reader (R's own number
# reading is not correctly rounded).

design_server <- function(input, output, session, state, jobs, dir) {
  form_values <- shiny::reactive({
    fields <- form_fields()
    stats::setNames(lapply(fields$id, function(id) input[[id]] %or_else% ""), fields$id)
  })
  checked <- shiny::debounce(shiny::reactive(check_design_form(form_values(), dir)), 300)
  shiny::observe({
    result <- checked()
    state$design <- result$design
    state$design_problems <- result$problems
  })
  # Results shown are always those of the design in the form.
  shiny::observeEvent(state$design, {
    for (run in c("simulation", "calibration", "comparison")) {
      if (!same_design(result_design(state[[run]]), state$design)) state[[run]] <- NULL
    }
  }, ignoreNULL = FALSE)
  for (id in design_fields$id) {
    local({
      field <- id
      output[[paste0(field, "_message")]] <- shiny::renderText({
        problems <- state$design_problems
        paste(problems[problem_fields(problems) == field], collapse = "\n")
      })
    })
  }

  shiny::observeEvent(input$design_file, guarded(state, {
    # A refused file leaves the form as it is; its messages go to the message box.
    fill_design_form(session, qm_read_design(take_upload(input$design_file, dir,
                                                         "uploaded.design")))
  }))

  boundaries <- shiny::reactive({
    design <- state$design
    shiny::req(design)
    qm_boundaries(design$rule, design$max_patients)
  })
  output$boundaries_note <- shiny::renderText({
    design <- state$design
    if (is.null(design)) {
      problems <- length(state$design_problems)
      return(if (problems == 0L) "The boundaries appear once every setting is accepted."
             else sprintf(paste("The design is refused (%d %s, shown beside the settings);",
                                "the boundaries appear once every setting is accepted."),
                          problems, if (problems == 1L) "problem" else "problems"))
    }
    sprintf(paste("With every outcome known: the %s count at which the rule advises",
                  "termination, for 1 to %d patients (%s)."),
            if (design$rule$type == "Efficacy") "largest response" else "smallest event",
            design$max_patients, probability_label(design$rule))
  })
  output$boundaries_table <- shiny::renderTable({
    table <- boundaries()  # nothing (and no message) while the design is refused
    boundary_table(table, state$design$rule)
  }, align = "r")

  design_runs(input, output, session, state, jobs, dir)
  design_downloads(output, state, boundaries)
}

# The boundaries with the figures of boundaries.csv (nine significant digits),
# the count said in words.
boundary_table <- function(boundaries, rule) {
  count <- if (rule$type == "Efficacy") "terminate with at most (responses)"
           else "terminate with at least (events)"
  table <- data.frame(
    sprintf("%d", boundaries$patients),
    ifelse(is.na(boundaries$boundary), "never", sprintf("%d", boundaries$boundary)),
    ifelse(is.na(boundaries$probability_at_boundary), "",
           sprintf("%.9g", boundaries$probability_at_boundary)),
    ifelse(is.na(boundaries$probability_beside), "",
           sprintf("%.9g", boundaries$probability_beside)),
    ifelse(boundaries$monotone, "yes", "no"),
    stringsAsFactors = FALSE
  )
  names(table) <- c("patients", count, "probability there", "one count beside",
                    "monotone")
  table
}

# The design file text of the form's values; a value with a line break is
# refused, since it would add lines of its own.
design_form_text <- function(values) {
  fields <- form_fields()
  lines <- character()
  for (i in seq_len(nrow(fields))) {
    value <- trimws(values[[fields$id[i]]] %or_else% "")
    if (grepl("[\r\n]", value)) {
      input_error(sprintf("The %s must be given on one line.", fields$key[i]))
    }
    if (fields$optional[i] && !nzchar(value)) {
      next
    }
    lines <- c(lines, paste(fields$key[i], "=", value))
  }
  paste0(paste(lines, collapse = "\n"), "\n")
}

# list(design, problems): the design when the companion accepts the form,
# otherwise the lines of its message.
check_design_form <- function(values, dir) {
  tryCatch({
    file <- file.path(dir, "form.design")
    writeBin(charToRaw(design_form_text(values)), file)
    list(design = qm_read_design(file), problems = character())
  }, quillmere_error = function(e) {
    list(design = NULL, problems = strsplit(conditionMessage(e), "\n", fixed = TRUE)[[1]])
  })
}

# The field each message line is about: the setting named first in it (by its
# key or by the name the messages give it); NA for none.
problem_fields <- function(problems) {
  names <- lapply(design_fields$id, function(id) {
    c(design_fields$key[design_fields$id == id], design_field_names[[id]])
  })
  vapply(problems, function(line) {
    first <- vapply(names, function(candidates) {
      at <- vapply(candidates, function(name) regexpr(name, line, fixed = TRUE), integer(1))
      if (any(at > 0)) min(at[at > 0]) else NA_integer_
    }, integer(1))
    if (all(is.na(first))) NA_character_ else design_fields$id[which.min(first)]
  }, character(1), USE.NAMES = FALSE)
}

# The form filled with a design's settings, numbers in their shortest exact
# text (so that the form reads back as the very same design).
fill_design_form <- function(session, design) {
  rule <- design$rule
  number <- function(value) if (is.na(value)) "" else shortest_text_cpp(value)
  values <- list(
    design_type = rule$type, rate_bound = number(rule$rate_bound),
    cutoff = number(rule$cutoff), window = number(rule$window), time_unit = design$time_unit,
    max_patients = number(design$max_patients), accrual_rate = number(design$accrual_rate),
    first_look = number(design$first_look), look_every = number(design$look_every),
    min_completed = number(design$min_completed),
    true_rates = paste(shortest_text_cpp(design$true_rates), collapse = ", "),
    event_time_shape = number(design$event_time_shape), trials = number(design$trials),
    seed = design$seed, calibration_rate = number(design$calibration_rate),
    max_error_stop = number(design$max_error_stop), prior_shape = number(rule$prior_shape),
    hazard_range = rule$hazard_range, method = design$method %or_else% "imputation"
  )
  for (id in intersect(names(values), form_fields()$id)) {
    if (!is.null(design_choices[[id]])) {
      shiny::updateSelectInput(session, id, selected = values[[id]])
    } else {
      shiny::updateTextInput(session, id, value = values[[id]])
    }
  }
}

# Simulation, calibration and comparison, each in the background.
design_runs <- function(input, output, session, state, jobs, dir) {
  # Shards enough for a progress bar that moves, few enough to keep the
  # threads busy within each.
  shards <- 50L
  accepted_design <- function() {
    if (is.null(state$design)) {
      input_error(paste(c("The design has problems; see the messages beside the settings:",
                          state$design_problems), collapse = "\n"))
    }
    state$design
  }
  for (id in c("run_simulate", "run_calibrate", "run_compare")) {
    wire_run_outputs(id, input, output, jobs)
  }
  shiny::observeEvent(input$run_simulate, guarded(state, {
    design <- within_app_limits(accepted_design(), "simulation", 1)
    jobs$start("run_simulate", "simulate", list(design = design, shards = shards),
               function(simulation) keep_result(state, "simulation", simulation))
  }))
  shiny::observeEvent(input$run_calibrate, guarded(state, {
    design <- accepted_design()
    within_app_limits(design, "calibration", design$max_patients)
    jobs$start("run_calibrate", "calibrate", list(design = design, shards = shards),
               function(calibration) keep_result(state, "calibration", calibration))
  }))

  output$oc_table <- shiny::renderTable({
    shiny::req(state$simulation)
    operating_table(state$simulation)
  }, align = "r", spacing = "s")
  output$oc_plot <- shiny::renderPlot({
    shiny::req(state$simulation)
    plot(state$simulation)
  }, res = 96)
  output$by_look_plot <- shiny::renderPlot({
    shiny::req(state$simulation)
    plot(state$simulation, "by_look")
  }, res = 96)
  output$calibration_summary <- shiny::renderPrint({
    shiny::req(state$calibration)
    print(state$calibration)
  })
  output$calibration_plot <- shiny::renderPlot({
    shiny::req(state$calibration)
    plot(state$calibration)
  }, res = 96)
  shiny::observeEvent(input$use_cutoff, guarded(state, {
    chosen <- state$calibration$chosen_cutoff
    if (is.null(chosen) || is.na(chosen)) {
      input_error("There is no chosen cut-off: calibrate first (CalibrationRate and MaxErrorStop set).")
    }
    shiny::updateTextInput(session, "cutoff", value = shortest_text_cpp(chosen))
  }))
  compare_server(input, output, session, state, jobs, accepted_design, dir)
}

# The results of a run come back into the app's R process, which serves every
# session: a run is refused when they could fill its memory. A simulation
# keeps a row per trial; a calibration a row per look, at most one per
# patient of a trial.
app_result_rows <- 2e6

within_app_limits <- function(design, what, rows_per_trial) {
  trials <- as.numeric(design$trials) * length(design$true_rates)
  if (trials * rows_per_trial > app_result_rows) {
    input_error(sprintf(paste(
      "The app runs a %s of up to %s rows of results, and this one could take %s",
      "(%s trials per rate, %d rates%s). Run it with quillmere-design or the R package."),
      what, format(app_result_rows, big.mark = ",", scientific = FALSE),
      format(trials * rows_per_trial, big.mark = ",", scientific = FALSE),
      format(design$trials, big.mark = ",", scientific = FALSE), length(design$true_rates),
      if (rows_per_trial > 1) sprintf(", up to %d looks each", rows_per_trial) else ""))
  }
  design
}

# Whether two designs (or NULLs) are the same design: the same design file.
same_design <- function(a, b) {
  if (is.null(a) || is.null(b)) {
    return(is.null(a) && is.null(b))
  }
  identical(design_text_cpp(unclass(a)), design_text_cpp(unclass(b)))
}

# The design a result was run for: rule A's for a comparison.
result_design <- function(result) {
  if (inherits(result, "qm_comparison")) result$design_a else result$design
}

# A finished run's result, shown only if the form still holds its design.
keep_result <- function(state, name, result) {
  if (!same_design(result_design(result), state$design)) {
    input_error("The design was changed during the run: run it again for the design shown.")
  }
  state[[name]] <- result
}

# The operating characteristics as operating_characteristics.csv holds them
# (the companion's eight significant digits): a column per true rate, so that
# the table stays narrow.
operating_table <- function(simulation) {
  oc <- simulation$oc
  digits <- function(values) sprintf("%.8g", values)
  rows <- list(
    c("trials", sprintf("%d", oc$trials)),
    c("P(early stop)", digits(oc$early_stop_probability)),
    c("  standard error", digits(oc$early_stop_se)),
    c("  95% Wilson interval", sprintf("[%s, %s]", digits(oc$early_stop_ci_low),
                                        digits(oc$early_stop_ci_high))),
    c("E[patients]", digits(oc$expected_patients)),
    c("  standard error", digits(oc$expected_patients_se)),
    c(sprintf("E[duration] (%s)", simulation$design$time_unit), digits(oc$expected_duration)),
    c("  standard error", digits(oc$expected_duration_se)),
    c("looks run per trial", digits(oc$mean_looks_run)),
    c("pending patients per look", digits(oc$mean_pending_per_look)),
    c("share of prior-only looks", digits(oc$prior_only_look_share))
  )
  table <- as.data.frame(do.call(rbind, rows), stringsAsFactors = FALSE)
  names(table) <- c("true rate", shortest_text_cpp(oc$true_rate))
  table
}

compare_server <- function(input, output, session, state, jobs, accepted_design, dir) {
  output$compare_panel <- shiny::renderUI({
    shiny::tagList(
      shiny::p(class = "qm-note", paste(
        "The design in the form is rule A; upload the design file of rule B (it may differ",
        "in the rule or the method, not in the simulated patients). Both rules run on the",
        "same simulated patients.")),
      shiny::fileInput("compare_file", "Design file of rule B", accept = ".design"),
      run_controls("run_compare", "Compare"),
      shiny::verbatimTextOutput("compare_summary")
    )
  })
  shiny::observeEvent(input$run_compare, guarded(state, {
    other <- qm_read_design(required_upload(input$compare_file, "the design file of rule B", dir, "other.design"))
    state$comparison <- NULL
    jobs$start("run_compare", "compare", list(design = accepted_design(), other = other),
               function(comparison) keep_result(state, "comparison", comparison), unit = "")
  }))
  # The comparison's tables as qm_compare() prints them: the operating
  # characteristics under both rules with their paired differences, the
  # stopping by look and the late outcomes.
  output$compare_summary <- shiny::renderText({
    shiny::req(state$comparison)
    paste(format(state$comparison), collapse = "\n")
  })
}

# The design file, every CSV and the protocol report, as the companion writes
# them.
design_downloads <- function(output, state, boundaries) {
  text_download <- function(name, text) {
    shiny::downloadHandler(filename = name, content = function(file) {
      writeBin(charToRaw(text()), file)
    })
  }
  needs <- function(value, what) {
    if (is.null(value)) {
      input_error(sprintf("There is no %s yet.", what))
    }
    value
  }
  output$download_design <- shiny::downloadHandler(
    filename = "quillmere.design",
    content = function(file) qm_write_design(needs(state$design, "accepted design"), file)
  )
  output$download_boundaries <- text_download("boundaries.csv",
                                              function() boundaries_csv(boundaries()))
  simulation <- function() needs(state$simulation, "simulation")
  calibration <- function() needs(state$calibration, "calibration")
  output$download_oc <- text_download("operating_characteristics.csv",
                                      function() operating_csv(simulation()$oc))
  output$download_by_look <- text_download("stopping_by_look.csv",
                                           function() stopping_csv(simulation()$by_look))
  output$download_replicates <- text_download("replicates.csv",
                                              function() replicates_csv(simulation()))
  output$download_calibration <- text_download("calibration.csv",
                                               function() calibration_csv(calibration()))
  output$download_calibration_looks <- text_download(
    "calibration_looks.csv", function() calibration_looks_csv(calibration()))
  output$download_report <- shiny::downloadHandler(
    filename = "report.html",
    content = function(file) {
      calibration <- state$calibration
      qm_report(needs(state$design, "accepted design"), simulation(), file,
                calibration = if (same_design(calibration$design, state$design)) calibration,
                design_file = "quillmere.design")
    }
  )
}
