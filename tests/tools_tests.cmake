# The tools' tests, one executable per command, each with the floors below
# it that it exercises most. The shared helpers run the real kolvane_zpa
# (KOLVANE_EXE).
function(kolvane_tool_tests name prefix)
  set(sources ${CMAKE_SOURCE_DIR}/tests/run_program.cpp)
  foreach(folder IN LISTS ARGN)
    file(GLOB folder_sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
    list(APPEND sources ${folder_sources})
  endforeach()
  add_executable(${name} ${sources})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${MATIO_INCLUDE_DIR})
  target_link_libraries(${name} PRIVATE kolvane_tools GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE KOLVANE_EXE="$<TARGET_FILE:kolvane_zpa>"
                             KOLVANE_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_dependencies(${name} kolvane_zpa kolvane_report kolvane_export kolvane_fit kolvane_rebuild)
  gtest_discover_tests(${name} TEST_PREFIX "${prefix}." DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 1200)
endfunction()

kolvane_tool_tests(kolvane_report_tests report analysis run_folder measured report)
kolvane_tool_tests(kolvane_export_tests export export)
kolvane_tool_tests(kolvane_fit_tests fit refine correct fit)

# Makes a small real run, renders its report.html in headless Chromium and
# checks the picture. Skipped (exit 77) when Chromium is missing and cannot be
# installed, except under CI=true, where that is a failure.
add_test(NAME report_screenshot
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/report-screenshot-test.sh
          $<TARGET_FILE:kolvane_report> ${CMAKE_SOURCE_DIR}/tests/report/data/example
          ${CMAKE_BINARY_DIR}/screenshot $<TARGET_FILE:kolvane_zpa>)
set_tests_properties(report_screenshot PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300 LABELS browser)

# The .mat file as Python tools load it, through SciPy.
add_test(NAME export_mat_scipy
  COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-mat-scipy.sh $<TARGET_FILE:kolvane_zpa> $<TARGET_FILE:kolvane_export>
          ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/scipy)
set_tests_properties(export_mat_scipy PROPERTIES SKIP_RETURN_CODE 77)
