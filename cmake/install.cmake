# cmake --install and make package: the libraries, the headers, the shipped table with its
# metadata file and binary file, the console program, a CMake package (find_package(xalt1)) and a pkg-config
# file. Every path in the installed files is relative, so an installed tree can be moved.
include(CMakePackageConfigHelpers)
set(XALT1_CMAKE_DIR "${CMAKE_INSTALL_LIBDIR}/cmake/xalt1")

install(TARGETS xalt1_shared xalt1_static EXPORT xalt1Targets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${XALT1_PUBLIC_HEADERS} DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}/xalt1")
install(FILES "${PROJECT_SOURCE_DIR}/data/x_rstoff.tab" DESTINATION "${XALT1_TABLE_DIR}")
foreach(companion x_rstoff.fluids.csv binary_pairs.csv binary_rule.csv)
    if(EXISTS "${PROJECT_SOURCE_DIR}/data/${companion}")
        install(FILES "${PROJECT_SOURCE_DIR}/data/${companion}" DESTINATION "${XALT1_TABLE_DIR}")
    endif()
endforeach()
if(TARGET xalt1)
    install(TARGETS xalt1 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

install(EXPORT xalt1Targets NAMESPACE xalt1:: DESTINATION "${XALT1_CMAKE_DIR}")
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/xalt1Config.cmake.in"
    "${PROJECT_BINARY_DIR}/xalt1Config.cmake" INSTALL_DESTINATION "${XALT1_CMAKE_DIR}"
    PATH_VARS XALT1_TABLE_DIR)
write_basic_package_version_file("${PROJECT_BINARY_DIR}/xalt1ConfigVersion.cmake"
    COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/xalt1Config.cmake"
        "${PROJECT_BINARY_DIR}/xalt1ConfigVersion.cmake" DESTINATION "${XALT1_CMAKE_DIR}")

# The pkg-config file finds its prefix from its own folder (${pcfiledir}).
file(RELATIVE_PATH XALT1_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
string(REGEX REPLACE "/$" "" XALT1_PC_TO_PREFIX "${XALT1_PC_TO_PREFIX}")
set(XALT1_PC_DL "")
if(CMAKE_DL_LIBS)
    set(XALT1_PC_DL "-l${CMAKE_DL_LIBS}")
endif()
configure_file("${CMAKE_CURRENT_LIST_DIR}/xalt1.pc.in" "${PROJECT_BINARY_DIR}/xalt1.pc" @ONLY)
install(FILES "${PROJECT_BINARY_DIR}/xalt1.pc" DESTINATION "${CMAKE_INSTALL_LIBDIR}/pkgconfig")

# make package: a Debian package installing under /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME xalt1)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Thermodynamic properties of pure fluids from a molecular equation of state")
set(CPACK_PACKAGE_CONTACT "xalt1 developers <xalt1@localhost>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6, libstdc++6, libgcc-s1")
set(CPACK_OUTPUT_FILE_PREFIX "${PROJECT_BINARY_DIR}/packages")
include(CPack)
