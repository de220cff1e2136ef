# Shift-JIS texts with any compiler. The sources are UTF-8, and every narrow literal of the
# program must hold code page 932 bytes. The build copies each .h and .cc of the folders
# given to rinu_sjis_copy() into build/sjis/, with the non-ASCII characters of the ordinary
# literals written as octal escapes of their code page 932 bytes (the tool sjis_literals,
# through the system's iconv, as GCC's -fexec-charset=CP932 did). rinu_sjis_compile() then
# compiles the targets of those folders from the copies, with build/sjis first on the include
# path. A target marked RINU_UTF8_LITERALS (Qt code) keeps the sources as they are.

add_library(sjis_literals_lib STATIC ${CMAKE_CURRENT_LIST_DIR}/sjis_literals.cc)
add_executable(sjis_literals ${CMAKE_CURRENT_LIST_DIR}/sjis_literals_main.cc)
target_link_libraries(sjis_literals PRIVATE sjis_literals_lib)
rinu_add_test(sjis_literals_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/sjis_literals_test.cc
              LIBS sjis_literals_lib)
target_compile_definitions(sjis_literals_test PRIVATE
                           SJIS_LITERALS_TOOL="$<TARGET_FILE:sjis_literals>")

set(RINU_SJIS_DIR ${CMAKE_BINARY_DIR}/sjis)

# rinu_sjis_copy(folder...): the converted copies, made by the target rinu_sjis_sources.
function(rinu_sjis_copy)
  set(outputs)
  set(copied)
  foreach(dir ${ARGN})
    file(GLOB files CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${dir}/*.h
         ${PROJECT_SOURCE_DIR}/${dir}/*.cc)
    file(MAKE_DIRECTORY ${RINU_SJIS_DIR}/${dir})
    foreach(file ${files})
      file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${file})
      add_custom_command(OUTPUT ${RINU_SJIS_DIR}/${rel}
                         COMMAND sjis_literals ${file} ${RINU_SJIS_DIR}/${rel}
                         DEPENDS sjis_literals ${file}
                         COMMENT "Shift-JIS literals of ${rel}" VERBATIM)
      list(APPEND outputs ${RINU_SJIS_DIR}/${rel})
      list(APPEND copied ${rel})
    endforeach()
  endforeach()
  add_custom_target(rinu_sjis_sources DEPENDS ${outputs})
  set_property(GLOBAL PROPERTY RINU_SJIS_FILES ${copied})
endfunction()

# rinu_sjis_compile(folder...): every target defined in these folders is compiled from the
# converted copies.
function(rinu_sjis_compile)
  get_property(copied GLOBAL PROPERTY RINU_SJIS_FILES)
  foreach(dir ${ARGN})
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${dir}/CMakeLists.txt)
      continue()
    endif()
    get_property(targets DIRECTORY ${PROJECT_SOURCE_DIR}/${dir} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target ${targets})
      get_target_property(type ${target} TYPE)
      get_target_property(utf8 ${target} RINU_UTF8_LITERALS)
      if(utf8 OR NOT type MATCHES "^(STATIC_LIBRARY|EXECUTABLE)$")
        continue()
      endif()
      get_target_property(sources ${target} SOURCES)
      set(mapped)
      foreach(source ${sources})
        if(NOT IS_ABSOLUTE ${source})
          set(source ${PROJECT_SOURCE_DIR}/${dir}/${source})
        endif()
        file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${source})
        if(rel IN_LIST copied)
          list(APPEND mapped ${RINU_SJIS_DIR}/${rel})
        else()
          list(APPEND mapped ${source})
        endif()
      endforeach()
      set_property(TARGET ${target} PROPERTY SOURCES ${mapped})
      target_include_directories(${target} BEFORE PRIVATE ${RINU_SJIS_DIR})
      add_dependencies(${target} rinu_sjis_sources)
    endforeach()
  endforeach()
endfunction()
