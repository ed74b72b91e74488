# qp_version_info(<folder>...): gives every executable and DLL defined in those folders
# (and below) a version resource made from the project's version, so a release changes
# the number once, in project(). A binary added later gets one without further edits;
# its description comes from the table below, or is its own name until it has an entry.

set(QP_VERSION_DESCRIPTIONS
  "Quillpad=Panel de control del lápiz"
  "PenManager=Administrador de lápices"
  "penctl=Control del administrador de lápices"
  "PenStorage=Almacenamiento de datos del lápiz"
  "PenOutbox=Bandeja de salida del lápiz")

function(qp_version_info_for target)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(QP_VI_TYPE VFT_APP)
    set(suffix .exe)
  elseif(type STREQUAL "SHARED_LIBRARY")
    set(QP_VI_TYPE VFT_DLL)
    set(suffix .dll)
  else()
    return()
  endif()
  get_target_property(QP_VI_NAME ${target} OUTPUT_NAME)
  if(NOT QP_VI_NAME)
    set(QP_VI_NAME ${target})
  endif()
  set(QP_VI_FILE ${QP_VI_NAME}${suffix})
  set(QP_VI_DESCRIPTION ${QP_VI_NAME})
  foreach(entry IN LISTS QP_VERSION_DESCRIPTIONS)
    if(entry MATCHES "^${target}=(.*)$")
      set(QP_VI_DESCRIPTION "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(QP_VI_PATCH 0)
  set(QP_VI_TWEAK 0)
  if(NOT PROJECT_VERSION_PATCH STREQUAL "")
    set(QP_VI_PATCH ${PROJECT_VERSION_PATCH})
  endif()
  if(NOT PROJECT_VERSION_TWEAK STREQUAL "")
    set(QP_VI_TWEAK ${PROJECT_VERSION_TWEAK})
  endif()
  set(QP_VI_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${QP_VI_PATCH}.${QP_VI_TWEAK}")
  set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/cmake/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

function(qp_version_info)
  foreach(folder IN LISTS ARGN)
    get_property(targets DIRECTORY ${folder} PROPERTY BUILDSYSTEM_TARGETS)
    foreach(target IN LISTS targets)
      qp_version_info_for(${target})
    endforeach()
    get_property(subfolders DIRECTORY ${folder} PROPERTY SUBDIRECTORIES)
    if(subfolders)
      qp_version_info(${subfolders})
    endif()
  endforeach()
endfunction()
