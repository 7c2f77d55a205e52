# Shared helpers for the project's targets.

# Strict warnings for the project's own code.
function(devio_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror)
  if(DEVIO_THREAD_SAFETY)
    target_compile_options(${target} PRIVATE -Wthread-safety)
  endif()
endfunction()

# A static library made of every source file in the given folders (non-recursive).
# A folder without sources yet gives an interface library, so dependents can link to it.
function(devio_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LIBS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.S)
    list(APPEND sources ${found})
  endforeach()
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
    target_link_libraries(${name} PUBLIC ${ARG_LIBS})
    devio_warnings(${name})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>)
    target_link_libraries(${name} INTERFACE ${ARG_LIBS})
  endif()
endfunction()
