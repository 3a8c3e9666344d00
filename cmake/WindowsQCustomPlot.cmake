# QCustomPlot for the Windows build: the DLL scripts/windows-qt builds against the Qt for
# mingw-w64, as an imported library from its prefix (KORVEL_WINDOWS_QCUSTOMPLOT). Debian's
# package is used on Linux instead.
set(KORVEL_WINDOWS_QCUSTOMPLOT "" CACHE PATH "QCustomPlot built for mingw-w64 (scripts/windows-qt)")
find_path(KORVEL_QCP_INCLUDE qcustomplot.h PATHS ${KORVEL_WINDOWS_QCUSTOMPLOT}/include REQUIRED
          NO_DEFAULT_PATH)
find_file(KORVEL_QCP_IMPLIB libqcustomplot.dll.a PATHS ${KORVEL_WINDOWS_QCUSTOMPLOT}/lib REQUIRED
          NO_DEFAULT_PATH)
find_file(KORVEL_QCP_DLL libqcustomplot.dll PATHS ${KORVEL_WINDOWS_QCUSTOMPLOT}/bin REQUIRED
          NO_DEFAULT_PATH)
find_package(Qt6 REQUIRED COMPONENTS PrintSupport)
add_library(QCustomPlotQt6::QCustomPlotQt6 SHARED IMPORTED)
set_target_properties(QCustomPlotQt6::QCustomPlotQt6 PROPERTIES
  IMPORTED_LOCATION ${KORVEL_QCP_DLL}
  IMPORTED_IMPLIB ${KORVEL_QCP_IMPLIB}
  INTERFACE_INCLUDE_DIRECTORIES ${KORVEL_QCP_INCLUDE}
  # The header's classes are then declared as imported from the DLL.
  INTERFACE_COMPILE_DEFINITIONS QCUSTOMPLOT_USE_LIBRARY
  INTERFACE_LINK_LIBRARIES "Qt6::Widgets;Qt6::PrintSupport")
