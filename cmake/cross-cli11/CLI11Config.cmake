# CLI11 for a cross build: the library is headers only, so the build
# machine's serve, linked into the build tree alone (the rest of the build
# machine's /usr/include must not reach another target's compiler).
if(NOT TARGET CLI11::CLI11)
  find_path(QUILLMERE_CLI11_HEADERS CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH
            NO_DEFAULT_PATH)
  set(_cli11_include ${CMAKE_BINARY_DIR}/cli11-include)
  file(MAKE_DIRECTORY ${_cli11_include})
  file(CREATE_LINK ${QUILLMERE_CLI11_HEADERS}/CLI ${_cli11_include}/CLI SYMBOLIC)
  add_library(CLI11::CLI11 INTERFACE IMPORTED)
  set_target_properties(CLI11::CLI11 PROPERTIES INTERFACE_INCLUDE_DIRECTORIES ${_cli11_include})
endif()
set(CLI11_FOUND TRUE)
