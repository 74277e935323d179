# cmake --install and the Debian package (cpack -G DEB in a Release build).
# The programs find their installed data set as ../share/veldrun from their
# own folder, so the layout below is fixed and the tree may be moved whole.

install(TARGETS veldrun skarnveil-tiles skarnveil-cliff skarnveil-cliff2 veldrun-data RUNTIME DESTINATION bin)
if(VELDRUN_DATA)
  install(DIRECTORY ${VELDRUN_DATA_DIR}/ DESTINATION share/veldrun PATTERN .generated EXCLUDE)
  install(DIRECTORY ${CMAKE_BINARY_DIR}/icons/ DESTINATION share/icons PATTERN .generated EXCLUDE)
endif()
install(FILES packaging/veldrun.desktop packaging/skarnveil-tiles.desktop packaging/skarnveil-cliff.desktop
              packaging/skarnveil-cliff2.desktop DESTINATION share/applications)

# One manual page covers every program; the other names lead to it.
configure_file(packaging/veldrun.6.in ${CMAKE_BINARY_DIR}/man/veldrun.6 @ONLY)
set(manual_pages ${CMAKE_BINARY_DIR}/man/veldrun.6)
foreach(name skarnveil-tiles skarnveil-cliff skarnveil-cliff2 veldrun-data)
  file(WRITE ${CMAKE_BINARY_DIR}/man/${name}.6 ".so man6/veldrun.6\n")
  list(APPEND manual_pages ${CMAKE_BINARY_DIR}/man/${name}.6)
endforeach()
install(FILES ${manual_pages} DESTINATION share/man/man6)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME veldrun)
set(CPACK_PACKAGE_CONTACT "Veldrun developers <veldrun@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time 3D terrain viewers on fixed-function OpenGL")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Four programs fly a free camera over a heightmap landscape: veldrun with\n\
blended ground textures, trees and level-of-detail control, and three\n\
smaller variants. veldrun-data generates their data set, or fits it to a\n\
greyscale picture of your own landscape.")
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
# Libraries from the binaries; then what no library pulls in: the overlay's
# font and the X core fonts SDL's message boxes are drawn with.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, xfonts-base")
include(CPack)
