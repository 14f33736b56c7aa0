# The event type, by name or by the answer quillmere asks for at its start
# (1 toxicity, 2 efficacy, 3 disease progression).

# The configuration's name of an event type given by name in any letter case,
# with or without spaces, hyphens or underscores ("disease progression",
# "DiseaseProgression"); NA for another text.
event_type_named <- function(text) {
  key <- gsub("[[:space:]_-]", "", toupper(text))
  if (key %in% names(event_type_names)) unname(event_type_names[key]) else NA_character_
}

# The answer for an event type given by name or as the answer itself; every
# other value is refused, named as it was given.
event_type_answer <- function(value, call = sys.call(-1)) {
  if (is.character(value) && length(value) == 1L && !is.na(value)) {
    type <- event_type_named(value)
    if (is.na(type)) {
      input_error(sprintf(paste0("The event type must be toxicity, efficacy or disease ",
                                 "progression, or quillmere's answer 1, 2 or 3 (it was \"%s\")."),
                          value), call = call)
    }
    return(match(type, event_type_names))
  }
  if (is.numeric(value) && length(value) == 1L && !is.na(value) && value %in% 1:3) {
    return(as.integer(value))
  }
  input_error(sprintf("The event-type answer must be 1, 2 or 3 (it was %s).",
                      given_text(value)), call = call)
}

# A value as the user typed it, for a message.
given_text <- function(value) {
  if (length(value) == 1L && (is.numeric(value) || is.logical(value))) {
    return(if (is.na(value)) "NA" else format(value, digits = 15))
  }
  paste(deparse(value, width.cutoff = 60L), collapse = " ")
}
