# Errors reach the user as conditions of two classes: quillmere_input_error
# (bad settings or data; the message is the program's own text) and
# quillmere_engine_error (the sampler stopped with a code). The library never
# throws into R: every call returns list(value, error) and unwrap() turns the
# error into the condition.

quillmere_condition <- function(class, text, exit_status = NA_integer_,
                                sampler_code = NA_integer_, call = NULL) {
  structure(
    class = c(class, "quillmere_error", "error", "condition"),
    list(
      message = sub("^\n+", "", sub("\n+$", "", text)),
      console_text = text,
      exit_status = exit_status,
      sampler_code = sampler_code,
      call = call
    )
  )
}

input_error <- function(text, call = sys.call(-1)) {
  stop(quillmere_condition("quillmere_input_error", text, call = call))
}

unwrap <- function(result, call = sys.call(-1)) {
  error <- result$error
  if (is.null(error)) {
    return(result$value)
  }
  stop(quillmere_condition(error$class, error$text, error$exit_status,
                           error$sampler_code, call = call))
}

# Argument checks of the R functions themselves (the values are then checked
# by the library with the programs' texts).
check_single_number <- function(value, name) {
  if (!is.numeric(value) || length(value) != 1L) {
    input_error(sprintf("The argument %s must be a single number.", name),
                call = sys.call(-1))
  }
  as.double(value)
}

check_single_text <- function(value, name) {
  if (!is.character(value) || length(value) != 1L || is.na(value)) {
    input_error(sprintf("The argument %s must be a single text.", name),
                call = sys.call(-1))
  }
  value
}

check_whole_number <- function(value, name, lowest, highest) {
  if (!is.numeric(value) || length(value) != 1L || is.na(value) ||
      value != round(value) || value < lowest || value > highest) {
    input_error(sprintf("The argument %s must be a whole number from %s to %s.",
                        name, format(lowest), format(highest)),
                call = sys.call(-1))
  }
  as.integer(value)
}

check_class <- function(value, class, name) {
  if (!inherits(value, class)) {
    input_error(sprintf("The argument %s must be a %s object.", name, class),
                call = sys.call(-1))
  }
  value
}

# The default number of threads: the machine's cores, as the design
# companion's --threads.
machine_cores <- function() {
  machine_cores_cpp()
}
