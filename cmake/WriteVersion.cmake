# Writes Version.h with the build number git gives now. Run at every build, so the number never
# goes stale; configure_file leaves the file untouched while it stays the same, so nothing rebuilds.
execute_process(
  COMMAND git describe --always --dirty --tags
  WORKING_DIRECTORY "${SOURCE_DIR}"
  OUTPUT_VARIABLE PICTAVO_BUILD_NUMBER
  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(NOT PICTAVO_BUILD_NUMBER)
  set(PICTAVO_BUILD_NUMBER "unknown")
endif()
configure_file("${SOURCE_DIR}/cmake/Version.h.in" "${OUTPUT}" @ONLY)
