# Runs the layer check on tests/data/layers, where every layer holds one
# include of a layer above it and one of a layer below: each upward include
# must be named, and no downward one.
#
#   cmake -DCHECK=<CheckLayers.cmake> -DSOURCE_DIR=<tests/data/layers> -P LayerCheckTest.cmake

execute_process(COMMAND "${CMAKE_COMMAND}" "-DSOURCE_DIR=${SOURCE_DIR}" -P "${CHECK}"
  RESULT_VARIABLE status ERROR_VARIABLE out OUTPUT_VARIABLE stdout)
if(status EQUAL 0)
  message(FATAL_ERROR "the layer check passed a tree with upward includes")
endif()
string(APPEND out "${stdout}")

set(upward
  "container/Upward.h: signature/WalkEvidence.h"
  "signature/Upward.h: report/Wording.h"
  "report/Upward.h: video/Filmstrip.h"
  "video/Upward.h: casefile/CaseFile.h"
  "casefile/Upward.h: video/Filmstrip.h"
  "cli/Upward.h: verification/VerifyResult.h"
  "verification/Upward.h: cli/CliOptions.h"
  "ui/Upward.h: cli/CaseRun.h")
foreach(line IN LISTS upward)
  string(FIND "${out}" "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the layer check did not name '${line}':\n${out}")
  endif()
endforeach()
# Each file also includes a layer below it, which must not be named: one
# violation per file, no more.
string(REGEX MATCHALL "Upward\\.h: " named "${out}")
list(LENGTH named count)
if(NOT count EQUAL 8)
  message(FATAL_ERROR "the layer check named ${count} includes, not the 8 upward ones:\n${out}")
endif()
