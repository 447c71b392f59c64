# Compiler warnings, set on each target the project builds rather than on
# the directory, so imported and third-party code is not affected.
set(TELVAR_WARNING_FLAGS -Wall -Wextra -Wpedantic)
if(TELVAR_WERROR)
  list(APPEND TELVAR_WARNING_FLAGS -Werror)
endif()

function(telvar_set_warnings target)
  get_target_property(type ${target} TYPE)
  if(type MATCHES "^(EXECUTABLE|STATIC_LIBRARY|SHARED_LIBRARY|MODULE_LIBRARY|OBJECT_LIBRARY)$")
    target_compile_options(${target} PRIVATE ${TELVAR_WARNING_FLAGS})
  endif()
endfunction()

# Applies the warnings to every target of `dir` and the folders below it.
function(telvar_set_warnings_below dir)
  get_property(targets DIRECTORY "${dir}" PROPERTY BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    telvar_set_warnings(${target})
  endforeach()
  get_property(subdirs DIRECTORY "${dir}" PROPERTY SUBDIRECTORIES)
  foreach(subdir IN LISTS subdirs)
    telvar_set_warnings_below("${subdir}")
  endforeach()
endfunction()
