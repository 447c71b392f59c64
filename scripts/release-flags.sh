# Sourced by the build scripts: the flags of a release build as Debian builds
# its packages (every hardening feature, bind-now included), in the array
# release_flags. The plain test build and the package share them, so that
# the tests exercise the code that ships and a package built apart finds
# the core in the compiler cache.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
# Debian's -O2 holds: CMake's Release would add -O3. Its -g is left out:
# CPack strips the programs, so the debug information would be written (a
# good part of the compile and link time) only to be thrown away; it does
# not change the code.
release_cxxflags=()
for flag in $(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS); do
  [ "$flag" = -g ] || release_cxxflags+=("$flag")
done
release_flags=(
  -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG
  "-DCMAKE_CXX_FLAGS=${release_cxxflags[*]}"
  "-DCMAKE_EXE_LINKER_FLAGS=$(dpkg-buildflags --get LDFLAGS)"
)
