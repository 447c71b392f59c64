# Writes the fuzzing dictionary: every element ID the reader knows, as the
# bytes that stand in a file, and the size fields that steer the reader.
# Made from the ID list at build time, so it never falls behind it.
#   cmake -DIDS=container/MkvIds.h -DOUT=mkv.dict -P fuzz/MakeDictionary.cmake
file(STRINGS "${IDS}" lines REGEX "^ *ID_[A-Z0-9_]+ = 0x[0-9A-Fa-f]+,")
if(NOT lines)
  message(FATAL_ERROR "no element IDs found in ${IDS}")
endif()
set(text "# Element IDs of the reader, then special sizes and values.\n")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^ *(ID_[A-Z0-9_]+) = 0x([0-9A-Fa-f]+),.*$" "\\1;\\2" parts "${line}")
  list(GET parts 0 name)
  list(GET parts 1 hex)
  string(LENGTH "${hex}" digits)
  math(EXPR odd "${digits} % 2")
  if(odd)
    set(hex "0${hex}")
  endif()
  string(REGEX REPLACE "(..)" "\\\\x\\1" escaped "${hex}")
  string(TOLOWER "${name}" key)
  string(APPEND text "${key}=\"${escaped}\"\n")
endforeach()
string(APPEND text [=[
id_simple_block="\xA3"
id_cluster_timecode="\xE7"
size_all_ones_1="\xFF"
size_all_ones_8="\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
size_2p56_minus_2="\x01\xFF\xFF\xFF\xFF\xFF\xFF\xFE"
size_zero_1="\x80"
size_zero_8="\x01\x00\x00\x00\x00\x00\x00\x00"
size_2p31="\x08\x00\x00\x00\x80\x00\x00\x00"
size_2p32="\x08\x00\x00\x01\x00\x00\x00\x00"
position_all_ones="\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"
kind_rsa="\xDC\x81\x01"
kind_hmac="\xDC\x81\x02"
digest_sha256="\xDD\x81\x03"
]=])
file(WRITE "${OUT}" "${text}")
