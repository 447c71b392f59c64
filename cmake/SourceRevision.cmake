# Run by the build each time (cmake -P), so the revision a program reports
# is that of the sources it was built from, not of the last configure.
# Writes OUTPUT from TEMPLATE with TELVAR_SOURCE_REVISION set to the short
# commit, "-dirty" added when tracked files differ from it, or "unknown"
# outside the project's own git tree. configure_file leaves OUTPUT alone
# when its text would not change, so an unchanged revision rebuilds nothing.
#
# Inputs: SOURCE_DIR, GIT (may be empty), VERSION, TEMPLATE, OUTPUT.

set(TELVAR_SOURCE_REVISION "unknown")
set(PROJECT_VERSION "${VERSION}")

function(git_output out)
  execute_process(
    COMMAND "${GIT}" ${ARGN}
    WORKING_DIRECTORY "${SOURCE_DIR}"
    OUTPUT_VARIABLE text
    RESULT_VARIABLE result
    OUTPUT_STRIP_TRAILING_WHITESPACE
    ERROR_QUIET)
  if(result EQUAL 0)
    set(${out} "${text}" PARENT_SCOPE)
  else()
    set(${out} "" PARENT_SCOPE)
    set(${out}_FAILED TRUE PARENT_SCOPE)
  endif()
endfunction()

if(GIT)
  git_output(top rev-parse --show-toplevel)
  get_filename_component(top "${top}" REALPATH)
  get_filename_component(source "${SOURCE_DIR}" REALPATH)
  # Sources unpacked inside some other repository are not that repository's revision.
  if(NOT top_FAILED AND top STREQUAL source)
    git_output(commit rev-parse --short HEAD)
    if(NOT commit_FAILED AND NOT commit STREQUAL "")
      git_output(changes --no-optional-locks status --porcelain --untracked-files=no)
      # A tree whose state cannot be read is not vouched for as clean.
      if(changes_FAILED OR NOT changes STREQUAL "")
        set(commit "${commit}-dirty")
      endif()
      set(TELVAR_SOURCE_REVISION "${commit}")
    endif()
  endif()
endif()

configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
