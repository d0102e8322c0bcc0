# Helpers that keep each folder's CMakeLists short.  Sources are gathered by
# glob (re-checked at build time) so that adding a class means adding its two
# files, nothing else.

# scrivane_library(<name> DIR <folder> [DEPS <targets...>] [EXCLUDE <files>] [MOC])
# A static library of every .cpp directly inside <folder> (but the excluded
# ones); an interface library while the folder has no source yet.  MOC turns
# on Qt's meta-object compiler for the target.
function(scrivane_library name)
  cmake_parse_arguments(ARG "MOC" "DIR" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${ARG_DIR}/*.cpp")
  file(GLOB headers CONFIGURE_DEPENDS "${ARG_DIR}/*.h")
  foreach(excluded IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM sources "${ARG_DIR}/${excluded}")
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources} ${headers})
    if(ARG_MOC)
      set_target_properties(${name} PROPERTIES AUTOMOC ON)
    endif()
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# scrivane_test(<name> DIR <folder> [DEPS <targets...>] [QT])
# One GoogleTest executable of every .cpp inside <folder>, its tests
# discovered by ctest when ctest runs (so the environment is ctest's).
# QT: the tests get a QApplication (offscreen) before they run.
function(scrivane_test name)
  cmake_parse_arguments(ARG "QT" "DIR" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS "${ARG_DIR}/*.cpp")
  if(NOT sources)
    return()
  endif()
  add_executable(${name} ${sources})
  if(ARG_QT)
    target_link_libraries(${name} PRIVATE scrivane_qt_test_main)
  else()
    target_link_libraries(${name} PRIVATE scrivane_test_main)
  endif()
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  target_compile_definitions(${name} PRIVATE
    SCRIVANE_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    SCRIVANE_BINARY_DIR="${PROJECT_BINARY_DIR}")
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    PROPERTIES LABELS ${name})
endfunction()
