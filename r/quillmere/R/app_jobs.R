# Long runs of the app (simulations, calibrations, comparisons, stability)
# run in a separate R process, so that no session of the app waits for
# another's run. The job's arguments, its progress and its result are files
# in the session's own directory; the process is ended when the run is
# cancelled or the session closes. A simulation or calibration runs as shards
# of replicates, combined at the end (the package guarantees the combined
# result is the one-piece run's, bit for bit), so that its progress can be
# shown.

# Starts `kind` with `args` in a new R process; `dir` is the session's own
# directory.
start_app_job <- function(kind, args, dir) {
  job_dir <- tempfile("job-", tmpdir = dir)
  dir.create(job_dir)
  saveRDS(list(kind = kind, args = args), file.path(job_dir, "job.rds"))
  rscript <- file.path(R.home("bin"),
                       if (.Platform$OS.type == "windows") "Rscript.exe" else "Rscript")
  script <- sprintf("quillmere:::run_app_job(%s)", deparse(job_dir))
  environment <- c(R_LIBS = paste(.libPaths(), collapse = .Platform$path.sep),
                   TMPDIR = job_dir, TMP = job_dir, TEMP = job_dir)
  process <- processx::process$new(rscript, c("--vanilla", "-e", script),
                                   env = c("current", environment), stdout = NULL,
                                   stderr = file.path(job_dir, "stderr.txt"),
                                   cleanup = TRUE)
  list(kind = kind, dir = job_dir, process = process, started = Sys.time())
}

# What a job has reached: list(state = "running" | "done" | "failed",
# done, total, value or error).
poll_app_job <- function(job) {
  progress <- read_job_progress(job$dir)
  if (job$process$is_alive()) {
    return(c(list(state = "running"), progress))
  }
  result_file <- file.path(job$dir, "result.rds")
  if (!file.exists(result_file)) {
    lines <- job_stderr(job$dir)
    return(c(list(state = "failed",
                  error = simpleError(paste(c("The run ended without a result.", lines),
                                            collapse = "\n"))), progress))
  }
  result <- readRDS(result_file)
  if (!is.null(result$error)) {
    return(c(list(state = "failed", error = result$error), progress))
  }
  c(list(state = "done", value = result$value), progress)
}

# Ends the job's process (at once: nothing it holds needs saving) and removes
# its files.
stop_app_job <- function(job) {
  if (is.null(job)) {
    return(invisible(NULL))
  }
  if (job$process$is_alive()) {
    job$process$kill()
  }
  unlink(job$dir, recursive = TRUE)
  invisible(NULL)
}

read_job_progress <- function(dir) {
  file <- file.path(dir, "progress.txt")
  figures <- if (file.exists(file)) suppressWarnings(scan(file, quiet = TRUE)) else numeric()
  if (length(figures) != 2L || anyNA(figures)) figures <- c(0, 1)
  list(done = figures[1], total = figures[2])
}

job_stderr <- function(dir) {
  file <- file.path(dir, "stderr.txt")
  if (file.exists(file)) utils::tail(readLines(file, warn = FALSE), 5L) else character()
}

# The body of the background process.
run_app_job <- function(dir) {
  job <- readRDS(file.path(dir, "job.rds"))
  progress <- function(done, total) {
    file <- file.path(dir, "progress.txt")
    writeLines(sprintf("%d %d", as.integer(done), as.integer(total)), paste0(file, ".new"))
    file.rename(paste0(file, ".new"), file)
  }
  result <- tryCatch(list(value = app_job_value(job$kind, job$args, progress)),
                     error = function(e) list(error = e))
  saveRDS(result, file.path(dir, "result.rds.new"))
  file.rename(file.path(dir, "result.rds.new"), file.path(dir, "result.rds"))
}

app_job_value <- function(kind, args, progress) {
  switch(kind,
    simulate = in_shards(args, progress, function(range) {
      with_threads(simulate, list(args$design, replicates = range), args$threads)
    }),
    calibrate = in_shards(args, progress, function(range) {
      with_threads(qm_calibrate, list(args$design, replicates = range), args$threads)
    }),
    stability = with_threads(qm_stability, list(args$trial, runs = args$runs, seed = args$seed),
                             args$threads),
    compare = compare_rules(args$design, args$other, args$threads),
    interim_report = {
      with_threads(package_function("qm_interim_report"),
                   list(args$trial, args$file, runs = args$runs, seed = args$seed,
                        force = TRUE), args$threads)
      args$file
    },
    stop("unknown job ", kind)
  )
}

# qm_compare() names each rule by the expression it was given: here A and B,
# as the app calls them.
compare_rules <- function(A, B, threads) {
  if (is.null(threads)) qm_compare(A, B) else qm_compare(A, B, threads = threads)
}

# The package's default number of threads unless the app was given one.
with_threads <- function(f, args, threads) {
  do.call(f, c(args, if (!is.null(threads)) list(threads = threads)))
}

# Runs `shard` over consecutive replicate ranges of the design and combines
# the parts with c(), reporting the replicates done after each.
in_shards <- function(args, progress, shard) {
  ranges <- shard_ranges(args$design$trials, args$shards)
  progress(0, args$design$trials)
  parts <- vector("list", nrow(ranges))
  for (i in seq_len(nrow(ranges))) {
    parts[[i]] <- shard(ranges[i, ])
    progress(ranges[i, 2], args$design$trials)
  }
  if (length(parts) == 1L) parts[[1]] else do.call(c, parts)
}

# At most `shards` consecutive ranges c(first, last) covering 1..trials.
shard_ranges <- function(trials, shards) {
  count <- max(1L, min(as.integer(shards), as.integer(trials)))
  ends <- unique(as.integer(round(seq_len(count) * trials / count)))
  starts <- c(1L, utils::head(ends, -1L) + 1L)
  cbind(starts, ends, deparse.level = 0)
}
