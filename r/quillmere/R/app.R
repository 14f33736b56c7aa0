# qm_app(): the package's point-and-click app (shiny). Every figure it shows
# is computed by the package's functions; the app lays them out, runs the
# long ones in the background and shows the programs' messages.

qm_app <- function(port = NULL, launch.browser = TRUE, host = "127.0.0.1", threads = NULL) {
  app <- app_object(threads)
  shiny::runApp(app, port = port, launch.browser = launch.browser, host = host)
}

# The app as a shiny app object, for qm_app() and for inst/app/app.R (which a
# Shiny Server runs). `threads`: threads per run (NULL: the package's default).
app_object <- function(threads = NULL) {
  needs_app_packages()
  # Trial, data and design files are small: 1 MB is far beyond the largest
  # (500 patients), and nothing bigger is taken in.
  options(shiny.maxRequestSize = app_upload_limit)
  shiny::shinyApp(app_ui(), function(input, output, session) {
    app_server(input, output, session, threads)
  })
}

app_upload_limit <- 1024^2

needs_app_packages <- function() {
  missing <- c("shiny", "processx")[!vapply(c("shiny", "processx"), requireNamespace,
                                            logical(1), quietly = TRUE)]
  if (length(missing) > 0L) {
    input_error(sprintf(paste0(
      "The app needs the R package%s %s: install.packages(c(%s)), or on Debian ",
      "apt-get install %s. Everything else in quillmere works without %s."),
      if (length(missing) > 1L) "s" else "", paste(missing, collapse = " and "),
      paste0("\"", missing, "\"", collapse = ", "),
      paste0("r-cran-", missing, collapse = " "), if (length(missing) > 1L) "them" else "it"),
      call = sys.call(-1))
  }
}

# The settings of a design as the form shows them: the id of the input, the
# design file's key, the label, the default (the bundled toxicity design) and
# whether the key may be left out.
design_fields <- data.frame(
  id = c("design_type", "rate_bound", "cutoff", "window", "time_unit", "max_patients",
         "accrual_rate", "first_look", "look_every", "min_completed", "true_rates",
         "event_time_shape", "trials", "seed", "calibration_rate", "max_error_stop",
         "prior_shape", "hazard_range", "method"),
  key = c("TrialType", "RateBound", "CutoffProbability", "MaxEvaluationWindow", "TimeUnit",
          "MaxPatients", "AccrualRate", "FirstLook", "LookEvery", "MinCompleted", "TrueRates",
          "EventTimeShape", "Trials", "Seed", "CalibrationRate", "MaxErrorStop",
          "HazardPriorShape", "HazardRange", "Method"),
  label = c("Event type", "Rate bound", "Cut-off probability", "Evaluation window",
            "Time unit", "Maximum number of patients", "Accrual rate (patients per time unit)",
            "First look after (patients)", "Then a look every (patients)",
            "Run-in: outcomes known before a look", "True rates (comma-separated)",
            "Weibull shape of the event time", "Trials per rate", "Seed",
            "Calibration rate (optional)", "Largest P(early stop) there (optional)",
            "Hazard prior shape (0: quillmere's)", "Hazard range (unit: quillmere's)",
            "Pending outcomes (imputation: quillmere's)"),
  default = c("Toxicity", "0.3", "0.9", "90", "days", "40", "0.25", "10", "5", "5",
              "0.1, 0.2, 0.3, 0.45", "1", "1000", "20240611", "", "", "0", "unit", "imputation"),
  optional = c(FALSE, FALSE, FALSE, FALSE, TRUE, FALSE, FALSE, FALSE, FALSE, TRUE, FALSE,
               FALSE, TRUE, FALSE, TRUE, TRUE, TRUE, TRUE, TRUE),
  stringsAsFactors = FALSE
)

# The settings this version of the package knows (the way of handling the
# pending outcomes came with a later version).
form_fields <- function() {
  design_fields[design_fields$id != "method" | "method" %in% names(formals(qm_design)), ]
}

design_choices <- list(
  design_type = c("Toxicity", "Efficacy", "DiseaseProgression"),
  time_unit = c("hours", "days", "weeks", "months", "years"),
  hazard_range = c("unit", "window"),
  method = c("imputation", "complete-case", "suspension", "weighted")
)

# Other names the messages use for a setting, beside its key.
design_field_names <- list(
  design_type = "Type of event", rate_bound = "Rate Bound", cutoff = "Cutoff Probability",
  window = c("Maximum Evaluation Window", "Max Evaluation Window", "Evaluation Window")
)

app_ui <- function() {
  theme <- if (requireNamespace("bslib", quietly = TRUE)) bslib::bs_theme(version = 5)
  shiny::navbarPage(
    title = "Quillmere", id = "page", theme = theme, header = app_header(),
    shiny::tabPanel("Design", value = "design", design_ui()),
    shiny::tabPanel("Interim decision", value = "interim", interim_ui())
  )
}

app_header <- function() {
  shiny::tagList(
    shiny::tags$style(shiny::HTML(paste(
      ".qm-message { color: #b00020; font-size: 0.85em; white-space: pre-line; }",
      ".qm-message:not(:empty) { margin: -0.3em 0 0.6em 0; }",
      "#error_message { color: #b00020; white-space: pre-wrap; font-family: monospace; }",
      "#error_message:not(:empty) { border: 1px solid #e3a1a8; background: #fdf0f1;",
      "  border-radius: 4px; padding: 0.5em 0.8em; margin: 0.5em 0; }",
      ".qm-progress { height: 0.8em; background: #e9ecef; border-radius: 4px; margin: 0.5em 0; }",
      ".qm-progress-bar { height: 100%; background: #2c7be5; border-radius: 4px; }",
      ".qm-note { color: #555; font-size: 0.9em; }",
      ".qm-sidebar .shiny-input-container { margin-bottom: 0.4rem; }",
      ".qm-sidebar h6 { margin-top: 0.8rem; color: #2c5282; }",
      ".qm-table { overflow-x: auto; }",
      ".qm-table table { font-size: 0.85em; }",
      ".qm-table td { white-space: nowrap; }",
      "pre.shiny-text-output { white-space: pre-wrap; }",
      sep = "\n"))),
    shiny::div(class = "container-fluid", shiny::div(id = "error_message", role = "alert",
                                                     class = "shiny-text-output"))
  )
}

design_ui <- function() {
  shiny::sidebarLayout(
    shiny::sidebarPanel(
      class = "qm-sidebar", width = 4,
      shiny::fileInput("design_file", "Design file (optional: fills the form)",
                       accept = c(".design", ".txt")),
      design_form_ui()
    ),
    shiny::mainPanel(
      width = 8,
      shiny::tabsetPanel(
        id = "design_tabs",
        shiny::tabPanel("Boundaries", value = "boundaries",
                        shiny::p(class = "qm-note", shiny::textOutput("boundaries_note")),
                        shiny::div(class = "qm-table", shiny::tableOutput("boundaries_table"))),
        shiny::tabPanel("Simulate", value = "simulate",
                        run_controls("run_simulate", "Simulate"),
                        shiny::div(class = "qm-table", shiny::tableOutput("oc_table")),
                        shiny::plotOutput("oc_plot", height = "380px"),
                        shiny::plotOutput("by_look_plot", height = "380px")),
        shiny::tabPanel("Calibrate", value = "calibrate",
                        run_controls("run_calibrate", "Calibrate the cut-off"),
                        shiny::verbatimTextOutput("calibration_summary"),
                        shiny::actionButton("use_cutoff", "Use the chosen cut-off in the form"),
                        shiny::plotOutput("calibration_plot", height = "400px")),
        shiny::tabPanel("Compare", value = "compare", shiny::uiOutput("compare_panel")),
        shiny::tabPanel("Downloads", value = "downloads", downloads_ui())
      )
    )
  )
}

# The form in sections, two settings to a row.
design_form_layout <- list(
  "The rule" = list(c("design_type", "time_unit"), c("rate_bound", "cutoff"), "window"),
  "Enrolment and looks" = list(c("max_patients", "accrual_rate"), c("first_look", "look_every"),
                               "min_completed"),
  "Scenarios" = list("true_rates", c("event_time_shape", "trials"), "seed"),
  "Calibration" = list(c("calibration_rate", "max_error_stop")),
  "Analysis of a look" = list(c("prior_shape", "hazard_range"), "method")
)

design_form_ui <- function() {
  lapply(names(design_form_layout), function(section) {
    shiny::tagList(
      shiny::h6(section),
      lapply(design_form_layout[[section]], function(ids) {
        ids <- intersect(ids, form_fields()$id)
        shiny::fluidRow(lapply(ids, function(id) {
          shiny::column(12 / length(ids), design_field_ui(id))
        }))
      })
    )
  })
}

# A setting's input and, under it, the companion's message about it.
design_field_ui <- function(id) {
  field <- design_fields[design_fields$id == id, ]
  input <- if (!is.null(design_choices[[id]])) {
    shiny::selectInput(id, field$label, design_choices[[id]], field$default)
  } else {
    shiny::textInput(id, field$label, field$default)
  }
  shiny::tagList(input, shiny::textOutput(paste0(id, "_message"), container = function(...) {
    shiny::div(class = "qm-message", ...)
  }))
}

# A run's button, its cancel button and its progress.
run_controls <- function(id, label) {
  shiny::tagList(
    shiny::div(
      shiny::actionButton(id, label, class = "btn-primary"),
      shiny::actionButton(paste0(id, "_cancel"), "Cancel", class = "cancel-run"),
      shiny::span(class = "qm-note", shiny::textOutput(paste0(id, "_status"), inline = TRUE))
    ),
    shiny::uiOutput(paste0(id, "_progress"))
  )
}

downloads_ui <- function() {
  shiny::tagList(
    shiny::p(class = "qm-note",
             "The files quillmere-design writes for the same design, byte for byte."),
    shiny::tags$ul(
      shiny::tags$li(shiny::downloadLink("download_design", "design file (.design)")),
      shiny::tags$li(shiny::downloadLink("download_boundaries", "boundaries.csv")),
      shiny::tags$li(shiny::downloadLink("download_oc", "operating_characteristics.csv"),
                     " (after a simulation)"),
      shiny::tags$li(shiny::downloadLink("download_by_look", "stopping_by_look.csv")),
      shiny::tags$li(shiny::downloadLink("download_replicates", "replicates.csv")),
      shiny::tags$li(shiny::downloadLink("download_calibration", "calibration.csv"),
                     " (after a calibration)"),
      shiny::tags$li(shiny::downloadLink("download_calibration_looks", "calibration_looks.csv")),
      shiny::tags$li(shiny::downloadLink("download_report", "protocol report (report.html)"),
                     " (after a simulation; with the calibration when there is one)")
    )
  )
}

interim_ui <- function() {
  shiny::sidebarLayout(
    shiny::sidebarPanel(
      width = 4,
      shiny::radioButtons("trial_source", "The trial",
                          c("configuration and data files" = "files",
                            "a rule entered here and a data file" = "rule")),
      shiny::selectInput("event_type", "Event type (quillmere's answer)",
                         c("1: toxicity" = "1", "2: efficacy" = "2",
                           "3: disease progression" = "3")),
      shiny::conditionalPanel(
        "input.trial_source == 'files'",
        shiny::fileInput("trial_config", "Configuration file", accept = ".config")
      ),
      shiny::conditionalPanel(
        "input.trial_source == 'rule'",
        shiny::textInput("rule_rate_bound", "Rate bound", "0.3"),
        shiny::textInput("rule_cutoff", "Cut-off probability", "0.9"),
        shiny::textInput("rule_window", "Evaluation window", "28")
      ),
      shiny::fileInput("trial_data", "Patient data file", accept = ".txt"),
      shiny::actionButton("decide", "Decide", class = "btn-primary"),
      shiny::hr(),
      shiny::textInput("stability_runs", "Runs with independent streams", "200"),
      shiny::textInput("stability_seed", "Seed of the runs", "1"),
      run_controls("run_stability", "How firm is it?"),
      shiny::downloadLink("download_stability", "stability.csv"),
      shiny::hr(),
      shiny::uiOutput("interim_report_download")
    ),
    shiny::mainPanel(
      width = 8,
      shiny::h4("Decision"),
      shiny::tags$dl(
        class = "row",
        shiny::tags$dt(class = "col-sm-4", shiny::textOutput("decision_label", inline = TRUE)),
        shiny::tags$dd(class = "col-sm-8", shiny::textOutput("decision_probability",
                                                             inline = TRUE)),
        shiny::tags$dt(class = "col-sm-4", shiny::textOutput("decision_advice_label",
                                                             inline = TRUE)),
        shiny::tags$dd(class = "col-sm-8", shiny::textOutput("decision_advice", inline = TRUE))
      ),
      shiny::textOutput("decision_warning", container = function(...) {
        shiny::div(class = "qm-message", ...)
      }),
      shiny::verbatimTextOutput("decision_details"),
      shiny::plotOutput("follow_up_plot", height = "480px"),
      shiny::verbatimTextOutput("stability_summary"),
      shiny::plotOutput("stability_plot", height = "360px")
    )
  )
}
