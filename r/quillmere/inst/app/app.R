# The quillmere app for shiny::runApp() or a Shiny Server: copy this
# directory (system.file("app", package = "quillmere")) into the server's
# site directory. Set options(quillmere.app.threads = N) to choose the threads
# per run.
quillmere:::app_object(getOption("quillmere.app.threads"))
