# Fails when a file of a core layer includes a header of a layer above it:
# the reader (container/) stands on nothing, the walk and its evidence
# (signature/) on the reader. Every layer's headers share one include root,
# so the compiler alone would let such an include through.
#
#   cmake -DSOURCE_DIR=<tree> [-DSTAMP=<file>] -P CheckLayers.cmake

cmake_minimum_required(VERSION 3.16)

set(layers container signature)
set(allowed_container container)
set(allowed_signature container signature)
# Folders whose headers a core layer could reach through the shared root.
set(folders container signature report video casefile cli verification ui tests)

set(violations "")
foreach(layer IN LISTS layers)
  file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp"
       "${SOURCE_DIR}/${layer}/*.in")
  foreach(file IN LISTS files)
    file(STRINGS "${file}" lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[^\"]*\"([^\"]*)\".*$" "\\1" included "${line}")
      string(REGEX MATCH "^[^/]+/" top "${included}")
      string(REGEX REPLACE "/$" "" top "${top}")
      if(top STREQUAL "..")
        list(APPEND violations "${file}: ${included} (a relative path out of the folder)")
      elseif(top IN_LIST folders AND NOT top IN_LIST allowed_${layer})
        list(APPEND violations "${file}: ${included} (${layer}/ may include only ${allowed_${layer}})")
      endif()
    endforeach()
  endforeach()
endforeach()

if(violations)
  list(JOIN violations "\n  " text)
  message(FATAL_ERROR "Layers must point one way:\n  ${text}")
endif()
if(STAMP)
  file(TOUCH "${STAMP}")
endif()
