# The public headers of the devio library: what an application includes, and nothing else.
#
# An application includes these entry points (paths from the project root, as inside the tree):
#   Source/Manager/CDevio.h          the facade, the library's single entry point
#   Source/Manager/DeviceManager.h   the manager the facade hands out (getimpl)
#   Source/Contracts/*.h             the interfaces of devices, busses, features and receivers
#   Source/Features/*.h              the feature classes and their interfaces
#   Source/Log/LastError.h           the thread's last error, and ErrorCode.h its codes
#   Source/Log/Vs2003SingletonThreadCleanup.h  the shutdown guard a program's main function runs
#   Source/Linux/HidrawChoice.h      real devices on Linux through hidraw (on other systems: none)
#   Source/Rap/FeatureFactory.h      the feature numbers the library has a class for
#   Source/Byte.h                    the byte type every report uses
# and every project header these include, found by following their #include "Source/..." lines,
# is installed with them (today a few headers of Events/, Log/ and Rap/). Everything else
# (System/, Busses/, Windows/, the rest of Rap/ and Manager/) stays private: it may change
# without notice and is not installed.
#
# The headers keep their paths below the include folder of their own, <prefix>/include/devio, so
# that their includes of one another work unchanged: an application writes
# #include <Source/Manager/CDevio.h> with that folder on its include path (the imported target
# devio::devio and the pkg-config file devio.pc put it there).

set(DEVIO_PUBLIC_ENTRY_GLOBS
  Source/Byte.h
  Source/Manager/CDevio.h
  Source/Manager/DeviceManager.h
  Source/Contracts/*.h
  Source/Features/*.h
  Source/Log/LastError.h
  Source/Log/ErrorCode.h
  Source/Log/Vs2003SingletonThreadCleanup.h
  Source/Linux/HidrawChoice.h
  Source/Rap/FeatureFactory.h)

# Sets `out` to the entry headers and every project header they include, directly or not, as
# paths relative to the project root, sorted. Reconfigures when one of them changes, so that a new
# include is installed too.
function(devio_public_headers out)
  set(pending)
  foreach(pattern IN LISTS DEVIO_PUBLIC_ENTRY_GLOBS)
    file(GLOB found CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/${pattern})
    if(NOT found)
      message(FATAL_ERROR "Public header ${pattern} does not exist")
    endif()
    list(APPEND pending ${found})
  endforeach()
  set(seen)
  while(pending)
    list(POP_FRONT pending header)
    if(header IN_LIST seen)
      continue()
    endif()
    list(APPEND seen ${header})
    set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
      ${PROJECT_SOURCE_DIR}/${header})
    file(STRINGS ${PROJECT_SOURCE_DIR}/${header} lines REGEX "^[ \t]*#[ \t]*include[ \t]+\"Source/")
    foreach(line IN LISTS lines)
      string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]+\"([^\"]+)\".*" "\\1" included "${line}")
      if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${included})
        message(FATAL_ERROR "${header} includes ${included}, which does not exist")
      endif()
      list(APPEND pending ${included})
    endforeach()
  endwhile()
  list(SORT seen)
  set(${out} ${seen} PARENT_SCOPE)
endfunction()
