# The app's server: one per browser session, with its own directory under the
# R session's temporary directory (uploads are copied there, runs write
# there), removed with everything in it when the session ends.

app_server <- function(input, output, session, threads = NULL) {
  dir <- tempfile("quillmere-app-")
  dir.create(dir, mode = "0700")
  state <- shiny::reactiveValues(error = "", design = NULL, design_problems = character(),
                                 simulation = NULL, calibration = NULL, comparison = NULL,
                                 trial = NULL, decision = NULL, stability = NULL,
                                 interim_report = NULL)
  jobs <- job_slots(session, output, state, dir, threads)
  session$onSessionEnded(function() {
    jobs$stop_all()
    unlink(dir, recursive = TRUE)
  })
  output$error_message <- shiny::renderText(state$error)
  # The message must reach the page even while it has no height.
  shiny::outputOptions(output, "error_message", suspendWhenHidden = FALSE)
  design_server(input, output, session, state, jobs, dir)
  interim_server(input, output, session, state, jobs, dir)
}

# Runs `expr`; a condition it raises becomes the message the app shows (the
# programs' text for the package's conditions) and NULL is returned.
guarded <- function(state, expr) {
  tryCatch({
    value <- expr
    state$error <- ""
    value
  }, error = function(e) {
    state$error <- conditionMessage(e)
    NULL
  })
}

# An uploaded file copied into the session's directory as `name` (NULL: its
# own name, which must be a plain file name), after the checks of size.
take_upload <- function(upload, dir, name = NULL) {
  if (is.null(upload)) {
    return(NULL)
  }
  if (is.na(upload$size) || upload$size > app_upload_limit) {
    input_error(sprintf("The file %s is larger than the %d bytes the app takes.",
                        upload$name, as.integer(app_upload_limit)))
  }
  if (is.null(name)) {
    name <- upload$name
    if (!grepl("^[A-Za-z0-9][A-Za-z0-9._-]{0,99}$", name)) {
      input_error(sprintf(paste("The file name (%s) may hold only letters, digits, dots,",
                                "dashes and underscores, and must start with a letter or digit."),
                          name))
    }
  }
  target <- file.path(dir, name)
  if (!file.copy(upload$datapath, target, overwrite = TRUE)) {
    input_error(sprintf("The uploaded file %s could not be kept.", upload$name))
  }
  target
}

# An upload the action needs.
required_upload <- function(upload, what, dir, name = NULL) {
  if (is.null(upload)) {
    input_error(sprintf("Upload %s first.", what))
  }
  take_upload(upload, dir, name)
}

# The background runs of a session: at most one at a time. Each run has a
# button `id`, a cancel button `id_cancel`, a status text and a progress bar;
# `finish` takes its value.
job_slots <- function(session, output, state, dir, threads) {
  current <- NULL
  status <- shiny::reactiveValues()
  progress <- shiny::reactiveValues()
  ticker <- shiny::reactiveVal(0)
  stop_all <- function() {
    stop_app_job(current$job)
    current <<- NULL
  }
  shiny::observe({
    ticker()
    if (is.null(current)) {
      return()
    }
    shiny::invalidateLater(250, session)
    polled <- poll_app_job(current$job)
    progress[[current$id]] <- polled$done / max(polled$total, 1)
    if (polled$state == "running") {
      status[[current$id]] <- paste0("running", progress_words(current, polled))
      return()
    }
    finished <- current
    stop_all()
    if (polled$state == "done") {
      progress[[finished$id]] <- 1
      status[[finished$id]] <- sprintf("done in %.1f s",
                                       as.numeric(difftime(Sys.time(), finished$job$started,
                                                           units = "secs")))
      guarded(state, finished$finish(polled$value))
    } else {
      status[[finished$id]] <- "stopped by an error (see above)"
      state$error <- conditionMessage(polled$error)
    }
  })
  list(
    threads = threads,
    start = function(id, kind, args, finish, unit = "trials per rate") {
      if (!is.null(current)) {
        state$error <- "Another run is in progress: wait for it or cancel it first."
        return(invisible(FALSE))
      }
      current <<- list(id = id, unit = unit, finish = finish,
                       job = start_app_job(kind, c(args, list(threads = threads)), dir))
      progress[[id]] <- 0
      status[[id]] <- "starting"
      ticker(ticker() + 1)
      invisible(TRUE)
    },
    cancel = function(id) {
      if (!is.null(current) && current$id == id) {
        stop_all()
        status[[id]] <- "cancelled"
        progress[[id]] <- 0
      }
    },
    status = status,
    progress = progress,
    stop_all = stop_all
  )
}

progress_words <- function(current, polled) {
  if (polled$total <= 1) {
    return("")
  }
  sprintf(": %d of %d %s", as.integer(polled$done), as.integer(polled$total), current$unit)
}

# The status and progress bar outputs of a run button, and its cancel button.
wire_run_outputs <- function(id, input, output, jobs) {
  output[[paste0(id, "_status")]] <- shiny::renderText(jobs$status[[id]] %or_else% "")
  output[[paste0(id, "_progress")]] <- shiny::renderUI({
    share <- jobs$progress[[id]] %or_else% 0
    shiny::div(class = "qm-progress", id = paste0(id, "_progress_bar"),
               shiny::div(class = "qm-progress-bar",
                          style = sprintf("width: %.1f%%;", 100 * share)))
  })
  shiny::observeEvent(input[[paste0(id, "_cancel")]], jobs$cancel(id))
}

`%or_else%` <- function(a, b) if (is.null(a)) b else a

# A package function when it exists in this version of the package.
package_function <- function(name) {
  namespace <- asNamespace("quillmere")
  if (exists(name, envir = namespace, inherits = FALSE)) get(name, envir = namespace) else NULL
}
