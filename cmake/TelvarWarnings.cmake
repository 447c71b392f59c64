# Compiler warnings, set on each target the project builds rather than on
# the directory, so imported and third-party code is not affected.
set(TELVAR_WARNING_FLAGS -Wall -Wextra -Wpedantic)
# The pedantic set of the fmt library, which the code builds clean under.
# Left out: -Wuseless-cast, as casts to off_t and time_t are needed where
# those are not int64_t; -Wnull-dereference, which depends on the optimiser
# and fires inside GCC 12's own stream buffers. GCC's flags that Clang lacks only go to GCC, so the
# fuzz build with Clang stays quiet.
list(APPEND TELVAR_WARNING_FLAGS
  -Wold-style-cast -Wundef -Wredundant-decls -Wwrite-strings -Wpointer-arith -Wcast-qual
  -Wformat=2 -Wno-format-nonliteral -Wmissing-include-dirs -Wcast-align -Wdisabled-optimization
  -Winvalid-pch -Woverloaded-virtual -Wconversion -Wdouble-promotion
  -Wzero-as-null-pointer-constant -Wshadow -Wno-dangling-else -Wno-unused-local-typedefs)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND TELVAR_WARNING_FLAGS -Wtrampolines -Wvector-operation-performance
    -Wsized-deallocation -Wshift-overflow=2 -Wduplicated-cond)
elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  # Clang's -Wconversion also takes in sign conversions, which GCC leaves
  # to -Wsign-conversion; the set is GCC's.
  list(APPEND TELVAR_WARNING_FLAGS -Wno-sign-conversion -Wno-shorten-64-to-32
    -Wno-implicit-int-float-conversion)
endif()
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
