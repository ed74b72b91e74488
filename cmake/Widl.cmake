# qp_widl(<target> <idl>): compiles a COM interface definition with widl and makes
# <target>, a static library of its GUIDs, whose users see the generated header.
#
# <idl> is relative to the calling directory; its outputs keep that relative folder below
# ${CMAKE_CURRENT_BINARY_DIR}/<target>, so "pen/PenManager.idl" is included as
# "pen/PenManager.h". Outputs: <name>.h, <name>_i.c (IID_/CLSID_/LIBID_ definitions)
# and <name>.tlb, whose full path is the target property QP_WIDL_TLB (for a
# "1 TYPELIB" resource; a user of the .tlb also needs add_dependencies on <target>).
#
# Debian's mingw-w64 ships no .idl files: the base types (IDispatch, BSTR, VARIANT...)
# come from the Wine IDL files of libwine-dev, and the type library refers to the
# system's stdole2.tlb, found in Wine's own library folder (package libwine).

find_path(QP_WIDL_IDL_DIR oaidl.idl
  PATHS /usr/include/wine/wine/windows /usr/include/wine/windows
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "Folder of the Wine IDL files (oaidl.idl), from libwine-dev")
find_path(QP_WIDL_TLB_DIR stdole2.tlb
  PATHS /usr/lib/x86_64-linux-gnu/wine/x86_64-windows /usr/lib/wine/x86_64-windows
  NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
  DOC "Folder of Wine's stdole2.tlb for importlib")
if(NOT QP_WIDL_IDL_DIR)
  message(FATAL_ERROR "oaidl.idl not found: install libwine-dev or set QP_WIDL_IDL_DIR")
endif()
if(NOT QP_WIDL_TLB_DIR)
  message(FATAL_ERROR "stdole2.tlb not found: install libwine or set QP_WIDL_TLB_DIR")
endif()
if(NOT WIDL_EXECUTABLE)
  find_program(WIDL_EXECUTABLE NAMES x86_64-w64-mingw32-widl widl REQUIRED)
endif()

function(qp_widl target idl)
  get_filename_component(idl_path ${idl} ABSOLUTE BASE_DIR ${CMAKE_CURRENT_SOURCE_DIR})
  get_filename_component(name ${idl_path} NAME_WE)
  file(RELATIVE_PATH idl_rel ${CMAKE_CURRENT_SOURCE_DIR} ${idl_path})
  get_filename_component(rel_dir ${idl_rel} DIRECTORY)

  set(include_dir ${CMAKE_CURRENT_BINARY_DIR}/${target})
  set(out_dir ${include_dir}/${rel_dir})
  set(header ${out_dir}/${name}.h)
  set(guids ${out_dir}/${name}_i.c)
  set(tlb ${out_dir}/${name}.tlb)

  add_custom_command(
    OUTPUT ${header} ${guids} ${tlb}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${out_dir}
    COMMAND ${WIDL_EXECUTABLE} --win64 --nostdinc
            -I ${QP_WIDL_IDL_DIR} -L ${QP_WIDL_TLB_DIR}
            -h -H ${header} -u -U ${guids} -t -T ${tlb}
            ${idl_path}
    MAIN_DEPENDENCY ${idl_path}
    COMMENT "widl ${idl_rel}"
    VERBATIM)

  # The header and the .tlb are sources too, so building the library makes all three.
  add_library(${target} STATIC ${guids} ${header} ${tlb})
  set_source_files_properties(${tlb} PROPERTIES HEADER_FILE_ONLY TRUE)
  target_include_directories(${target} PUBLIC ${include_dir})
  target_link_libraries(${target} PUBLIC ole32 oleaut32 uuid)
  set_target_properties(${target} PROPERTIES
    LINKER_LANGUAGE C
    QP_WIDL_HEADER ${header}
    QP_WIDL_TLB ${tlb})
endfunction()
