# Fails when a file of a layer includes a header of a layer above it, as
# docs/architecture.md tables them. Every layer's headers share one include
# root, so the compiler alone would let such an include through.
#
#   cmake -DSOURCE_DIR=<tree> [-DSTAMP=<file>] -P CheckLayers.cmake

cmake_minimum_required(VERSION 3.16)

# Each layer and the folders it may include from (itself and those below).
set(layers container signature report video casefile cli verification ui)
set(allowed_container container)
set(allowed_signature container signature)
set(allowed_report container signature report)
set(allowed_video container signature report video)
set(allowed_casefile container signature report casefile)
set(allowed_cli container signature report video casefile cli)
set(allowed_verification container signature report video casefile verification)
set(allowed_ui container signature report video casefile verification ui)
# Folders whose headers a layer could reach through the shared root.
set(folders ${layers} tests fuzz bench)

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
        list(JOIN allowed_${layer} ", " allowed)
        list(APPEND violations "${file}: ${included} (${layer}/ may include only ${allowed})")
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
