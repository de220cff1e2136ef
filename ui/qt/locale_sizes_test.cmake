# Runs the WindowSizes test of qt_backend_test (QT_TEST) under several locales and fails
# unless the chat window and the setup dialog have the same size under all of them.
# Usage: cmake -DQT_TEST=path/to/qt_backend_test -P locale_sizes_test.cmake
set(first_sizes "")
foreach(locale C C.UTF-8 ja_JP.UTF-8)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen LANG=${locale} LC_ALL=${locale}
            ${QT_TEST} --gtest_filter=QtDialogWindow.WindowSizes
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0 OR NOT out MATCHES "window sizes: ([^\n]*)")
    message(FATAL_ERROR "${locale}: the WindowSizes test failed (${status}):\n${out}\n${err}")
  endif()
  set(sizes "${CMAKE_MATCH_1}")
  message(STATUS "${locale}: ${sizes}")
  if(first_sizes STREQUAL "")
    set(first_sizes "${sizes}")
    set(first_locale "${locale}")
  elseif(NOT sizes STREQUAL first_sizes)
    message(FATAL_ERROR "${locale} gives ${sizes}, ${first_locale} gave ${first_sizes}")
  endif()
endforeach()
