# Picks the Qt of the desktop program: TELVAR_QT=6 or 5, or Qt 6 where it is
# installed and Qt 5 otherwise. Everything links the versionless Qt:: targets
# (Qt 5.15 and Qt 6 both define them), so no folder names a version.
if(NOT TELVAR_QT)
  find_package(Qt6 6.2 QUIET COMPONENTS Widgets)
  if(Qt6_FOUND)
    set(TELVAR_QT 6)
  else()
    set(TELVAR_QT 5)
  endif()
endif()

if(TELVAR_QT STREQUAL "6")
  find_package(Qt6 6.2 REQUIRED COMPONENTS Widgets)
elseif(TELVAR_QT STREQUAL "5")
  find_package(Qt5 5.15 REQUIRED COMPONENTS Widgets)
else()
  message(FATAL_ERROR "TELVAR_QT must be 6 or 5, not '${TELVAR_QT}'")
endif()
message(STATUS "Desktop program: Qt ${Qt${TELVAR_QT}Widgets_VERSION}")

# Calls deprecated before 5.15 no longer compile, so code stays portable to
# both toolkits; later deprecations warn (and fail with TELVAR_WERROR).
add_compile_definitions(QT_DISABLE_DEPRECATED_BEFORE=0x050F00)
