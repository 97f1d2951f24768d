# pdf417.pc for pkg-config. It is written at install time, so that the prefix in it is the one
# installed to (cmake --install --prefix, CPack's) rather than the one configured.
get_target_property(pdf417_kind pdf417 TYPE)
set(pdf417_pc_private "-lspng -ljpeg -lz")
set(pdf417_pc_libs "")
if(pdf417_kind STREQUAL "STATIC_LIBRARY")
  # A static library is linked with what it uses, also by `pkg-config --libs` without --static.
  set(pdf417_pc_libs " ${pdf417_pc_private}")
  set(pdf417_pc_private "")
endif()
foreach(dir LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${dir}}")
    set(pdf417_pc_${dir} "${CMAKE_INSTALL_${dir}}")
  else()
    set(pdf417_pc_${dir} "\\\${prefix}/${CMAKE_INSTALL_${dir}}")
  endif()
endforeach()
install(CODE "
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  set(PDF417_PC_PREFIX \"\${CMAKE_INSTALL_PREFIX}\")
  set(PDF417_PC_LIBDIR \"${pdf417_pc_LIBDIR}\")
  set(PDF417_PC_INCLUDEDIR \"${pdf417_pc_INCLUDEDIR}\")
  set(PDF417_PC_LIBS \"${pdf417_pc_libs}\")
  set(PDF417_PC_LIBS_PRIVATE \"${pdf417_pc_private}\")
  configure_file(\"${PROJECT_SOURCE_DIR}/cmake/pdf417.pc.in\" \"${PROJECT_BINARY_DIR}/pdf417.pc\" @ONLY)
  " COMPONENT library)
install(FILES ${PROJECT_BINARY_DIR}/pdf417.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT library)
