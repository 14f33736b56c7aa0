# The interim side of the app: the uploaded files are put into a trial
# directory of the session and read by the package's reader with the chosen
# answer, exactly as quillmere reads its directory.

interim_server <- function(input, output, session, state, jobs, dir) {
  shiny::observeEvent(input$decide, guarded(state, {
    state$decision <- NULL
    state$stability <- NULL
    state$interim_report <- NULL
    trial <- uploaded_trial(input, dir)
    state$trial <- trial
    state$decision <- qm_decide(trial)
  }))
  decision <- shiny::reactive({
    shiny::req(state$decision)
  })
  output$decision_label <- shiny::renderText(probability_label(decision()$rule))
  # As quillmere prints it in its RESULTS line.
  output$decision_probability <- shiny::renderText(sprintf("%g", decision()$probability))
  output$decision_advice_label <- shiny::renderText({
    decision()
    "Advice"
  })
  output$decision_advice <- shiny::renderText(comparison_text(decision()))
  output$decision_warning <- shiny::renderText({
    warning <- decision()$warning
    if (is.na(warning)) "" else warning
  })
  output$decision_details <- shiny::renderPrint(print(decision()))
  output$follow_up_plot <- shiny::renderPlot(plot(decision()), res = 96)

  wire_run_outputs("run_stability", input, output, jobs)
  shiny::observeEvent(input$run_stability, guarded(state, {
    trial <- state$trial
    if (is.null(trial) || is.null(state$decision)) {
      input_error("Decide first: stability reruns the decision shown.")
    }
    jobs$start("run_stability", "stability",
               list(trial = trial, runs = whole_number_text(input$stability_runs, "runs"),
                    seed = trimws(input$stability_seed)),
               function(stability) state$stability <- stability, unit = "")
  }))
  output$stability_summary <- shiny::renderPrint({
    shiny::req(state$stability)
    print(state$stability)
  })
  output$stability_plot <- shiny::renderPlot({
    shiny::req(state$stability)
    plot(state$stability)
  }, res = 96)

  output$download_stability <- shiny::downloadHandler(
    filename = "stability.csv",
    content = function(file) {
      if (is.null(state$stability)) input_error("There is no stability run yet.")
      writeBin(charToRaw(stability_csv(state$stability)), file)
    }
  )

  interim_report_server(input, output, state, jobs, dir)
}

# The committee's interim report, made in the background (it reruns the
# analysis with independent streams) and then offered for download; shown
# when the package has qm_interim_report().
interim_report_server <- function(input, output, state, jobs, dir) {
  available <- !is.null(package_function("qm_interim_report"))
  report <- file.path(dir, "interim-report.html")
  output$interim_report_download <- shiny::renderUI({
    if (!available) {
      return(shiny::p(class = "qm-note", paste(
        "The interim report needs qm_interim_report(), which this version of the package",
        "does not have yet.")))
    }
    shiny::tagList(
      run_controls("run_interim_report", "Prepare the interim report"),
      shiny::downloadLink("download_interim_report", "interim report (HTML)")
    )
  })
  wire_run_outputs("run_interim_report", input, output, jobs)
  shiny::observeEvent(input$run_interim_report, guarded(state, {
    if (is.null(state$trial) || is.null(state$decision)) {
      input_error("Decide first: the report is of the decision shown.")
    }
    unlink(report)
    state$interim_report <- NULL
    jobs$start("run_interim_report", "interim_report",
               list(trial = state$trial, file = report,
                    runs = whole_number_text(input$stability_runs, "runs"),
                    seed = trimws(input$stability_seed)),
               function(file) state$interim_report <- file, unit = "")
  }))
  output$download_interim_report <- shiny::downloadHandler(
    filename = "interim-report.html",
    content = function(file) {
      if (is.null(state$interim_report)) {
        input_error("Prepare the interim report first.")
      }
      file.copy(state$interim_report, file, overwrite = TRUE)
    }
  )
}

# A count typed into the form, as a whole number (the package checks its range).
whole_number_text <- function(text, name) {
  text <- trimws(text)
  if (!grepl("^[0-9]{1,9}$", text)) {
    input_error(sprintf("The %s must be a whole number (it was %s).", name, text))
  }
  as.integer(text)
}

# The names quillmere reads for each answer.
trial_file_names <- data.frame(
  answer = 1:3,
  type = c("Toxicity", "Efficacy", "DiseaseProgression"),
  config = c("TrialConfig_Toxicity.config", "TrialConfig_Efficacy.config",
             "TrialConfig_DiseaseProgression.config"),
  data = c("data_toxicity.txt", "data_efficacy.txt", "data_diseaseProgression.txt"),
  stringsAsFactors = FALSE
)

# The uploaded trial, read with the chosen answer. With uploaded files the
# configuration is saved under the name the answer makes quillmere read and
# the data file under its own name (the configuration names it); with a rule
# typed in, the configuration is written from the typed values and names the
# data file, which is saved under that name.
uploaded_trial <- function(input, dir) {
  answer <- match(input$event_type, as.character(trial_file_names$answer))
  if (is.na(answer)) {
    input_error("The event type must be 1, 2 or 3.")
  }
  names <- trial_file_names[answer, ]
  trial_dir <- file.path(dir, "trial")
  unlink(trial_dir, recursive = TRUE)
  dir.create(trial_dir)
  if (identical(input$trial_source, "rule")) {
    writeBin(charToRaw(typed_configuration(input, names)), file.path(trial_dir, names$config))
    required_upload(input$trial_data, "the patient data file", trial_dir, names$data)
  } else {
    required_upload(input$trial_config, "the configuration file", trial_dir, names$config)
    required_upload(input$trial_data, "the patient data file", trial_dir)
  }
  qm_read_trial(trial_dir, answer)
}

typed_configuration <- function(input, names) {
  values <- c(TrialType = names$type, RateBound = input$rule_rate_bound,
              CutoffProbability = input$rule_cutoff, MaxEvaluationWindow = input$rule_window,
              InputDataFileName = names$data)
  values <- trimws(values)
  if (any(grepl("[\r\n#]", values))) {
    input_error("Each value of the rule must be one number on one line.")
  }
  paste0(paste(names(values), "=", values, collapse = "\n"), "\n")
}
