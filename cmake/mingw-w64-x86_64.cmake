# Cross-building for 64-bit Windows with mingw-w64 (Debian: g++-mingw-w64-x86-64-posix).
# The posix thread model is the one whose libstdc++ has std::thread and the sleeps the link
# uses. Programs built with it run under wine, which is how scripts/test-windows tests them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(KORVEL_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KORVEL_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KORVEL_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${KORVEL_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${KORVEL_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The Qt for mingw-w64 (and QCustomPlot beside it) that scripts/windows-qt makes: packages are
# searched in the find root only, so their prefixes join it. Checks that CMake compiles on its own
# see the same folders.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES KORVEL_WINDOWS_QT KORVEL_WINDOWS_QCUSTOMPLOT)
if(KORVEL_WINDOWS_QT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KORVEL_WINDOWS_QT})
endif()
if(KORVEL_WINDOWS_QCUSTOMPLOT)
  list(APPEND CMAKE_FIND_ROOT_PATH ${KORVEL_WINDOWS_QCUSTOMPLOT})
endif()
