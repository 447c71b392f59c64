# The Debian package, built by CPack from the install rules (scripts/package.sh):
# telvar_<version>_<arch>.deb, its runtime dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME telvar)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Telvar Systems")
set(CPACK_PACKAGE_CONTACT "Telvar Systems <maintainers@telvar.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "surveillance video authenticator")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Tells whether surveillance recordings are authentic. A network video
recorder exports its recordings as Matroska files and signs them: a recorder
tag carries the serial number, start and end time and the value that closes
a chain of signatures, and every cluster carries a signature keyed by the one
before it. This package verifies every signature of such files and reports
Success or Failed per file.

It holds the desktop program, telvar-authenticator, and the command-line
verifier, telvar-verify, which prints text or JSON and writes evidence
reports.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://telvar.example/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# FFmpeg's libraries are opened at run time, the first time a picture is
# wanted, so dpkg-shlibdeps, which reads the libraries the programs link,
# does not see them. Their dependencies come from the same place it takes
# the others: the shlibs file of the package that installed each one.
set(telvar_video_depends)
foreach(soname IN LISTS TELVAR_FFMPEG_LIBRARIES)
  execute_process(COMMAND dpkg-query -S "*/${soname}" OUTPUT_VARIABLE owner
    RESULT_VARIABLE status ERROR_QUIET)
  string(REGEX MATCH "^[^:,]+" package "${owner}")
  if(NOT status EQUAL 0 OR package STREQUAL "")
    message(WARNING "no installed package holds ${soname}: the package will not depend on it")
    continue()
  endif()
  execute_process(COMMAND dpkg-query --control-show "${package}" shlibs OUTPUT_VARIABLE shlibs
    ERROR_QUIET)
  # "libavcodec.so.59" is listed as "libavcodec 59 libavcodec59 (>= 7:5.1)".
  string(REGEX REPLACE "^(.*)\\.so\\.([0-9]+)$" "\\1 \\2" key "${soname}")
  string(REGEX MATCH "(^|\n)${key} [^\n]+" entry "${shlibs}")
  string(REGEX REPLACE "^\n?${key} " "" dependency "${entry}")
  if(dependency STREQUAL "")
    set(dependency "${package}")
  endif()
  list(APPEND telvar_video_depends "${dependency}")
endforeach()
list(JOIN telvar_video_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
