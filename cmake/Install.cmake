# cmake --install and the Debian packages (cpack -G DEB in a Release build).
# The programs find their installed data set as ../share/veldrun from their
# own folder, so the layout below is fixed and the tree may be moved whole.
# Two components, one package each: the viewers with their data set
# ("veldrun"), and veldrun-data ("veldrun-tools"), the only one to need GDAL.

install(TARGETS veldrun skarnveil-tiles skarnveil-cliff skarnveil-cliff2 RUNTIME DESTINATION bin COMPONENT viewers)
install(TARGETS veldrun-data RUNTIME DESTINATION bin COMPONENT tools)
if(VELDRUN_DATA)
  install(DIRECTORY ${VELDRUN_DATA_DIR}/ DESTINATION share/veldrun COMPONENT viewers PATTERN .generated EXCLUDE)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION share/icons COMPONENT viewers PATTERN .generated EXCLUDE)
endif()
install(FILES packaging/veldrun.desktop packaging/skarnveil-tiles.desktop packaging/skarnveil-cliff.desktop
              packaging/skarnveil-cliff2.desktop DESTINATION share/applications COMPONENT viewers)

# One manual page covers the four viewers; the other names lead to it.
# veldrun-data has its own.
configure_file(packaging/veldrun.6.in ${CMAKE_BINARY_DIR}/man/veldrun.6 @ONLY)
configure_file(packaging/veldrun-data.1.in ${CMAKE_BINARY_DIR}/man/veldrun-data.1 @ONLY)
set(manual_pages ${CMAKE_BINARY_DIR}/man/veldrun.6)
foreach(name skarnveil-tiles skarnveil-cliff skarnveil-cliff2)
  file(WRITE ${CMAKE_BINARY_DIR}/man/${name}.6 ".so man6/veldrun.6\n")
  list(APPEND manual_pages ${CMAKE_BINARY_DIR}/man/${name}.6)
endforeach()
install(FILES ${manual_pages} DESTINATION share/man/man6 COMPONENT viewers)
install(FILES ${CMAKE_BINARY_DIR}/man/veldrun-data.1 DESTINATION share/man/man1 COMPONENT tools)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldrun)
set(CPACK_PACKAGE_CONTACT "Veldrun developers <veldrun@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL viewers tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Libraries from each package's binaries: only veldrun-tools names GDAL's.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)

set(CPACK_DEBIAN_VIEWERS_PACKAGE_NAME veldrun)
set(CPACK_DEBIAN_VIEWERS_PACKAGE_SECTION games)
# What no library pulls in: the overlay's font and the X core fonts SDL's
# message boxes are drawn with.
set(CPACK_DEBIAN_VIEWERS_PACKAGE_DEPENDS "fonts-liberation, xfonts-base")
set(CPACK_DEBIAN_VIEWERS_DESCRIPTION
    "real-time 3D terrain viewers on fixed-function OpenGL\n\
Four programs fly a free camera over a heightmap landscape: veldrun with\n\
blended ground textures, trees and level-of-detail control, and three\n\
smaller variants. The package holds their data set, menu entries and manual.")

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME veldrun-tools)
set(CPACK_DEBIAN_TOOLS_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_TOOLS_PACKAGE_RECOMMENDS veldrun)
set(CPACK_DEBIAN_TOOLS_DESCRIPTION
    "data set generator of the veldrun terrain viewers\n\
veldrun-data writes the viewers' data set, or fits it to an elevation model\n\
of your own: any single-band raster GDAL reads (GeoTIFF, SRTM .hgt, ESRI\n\
ASCII grid, greyscale PNG, ...), its nodata holes filled.")
include(CPack)
