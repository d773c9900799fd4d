# The Debian package of the Linux build: the same binaries laid out where Debian puts them,
# so that Debian's Java finds the library with System.loadLibrary and no flag
# (/usr/lib/<multiarch>/jni is on its default java.library.path). Its files are the install
# component "deb", left out of the archive's install (EXCLUDE_FROM_ALL); the DEB generator
# installs that component alone, below /usr.
set(_deb_name veltranewin32dll)
set(_jni lib/${CMAKE_LIBRARY_ARCHITECTURE}/jni)
set(_doc share/doc/${_deb_name})
# What the build makes for the package alone: the jars' links, the manual pages, the changelog.
set(_deb_files ${PROJECT_BINARY_DIR}/deb)
file(MAKE_DIRECTORY ${_deb_files})
# The maintainer, in the control file and the changelog.
set(VELTRANE_PACKAGE_CONTACT "Quorindel <veltrane@quorindel.example>")

install(TARGETS VeltraneWin32DLL LIBRARY DESTINATION ${_jni} COMPONENT deb EXCLUDE_FROM_ALL)
if(TARGET VeltraneProbe)
    install(TARGETS VeltraneProbe LIBRARY DESTINATION ${_jni} COMPONENT deb EXCLUDE_FROM_ALL)
endif()
if(TARGET veltrane-inf2reg)
    install(TARGETS veltrane-inf2reg RUNTIME DESTINATION bin COMPONENT deb EXCLUDE_FROM_ALL)
endif()
# Debian's Java policy: each jar under its versioned name, and the plain name a link to it
# (the name the probe's manifest and its launcher use).
if(TARGET veltrane_probe_jar)
    foreach(_jar veltrane-probe veltrane-api)
        install(FILES ${PROJECT_BINARY_DIR}/${_jar}.jar DESTINATION share/java
                RENAME ${_jar}-${PROJECT_VERSION}.jar COMPONENT deb EXCLUDE_FROM_ALL)
        file(CREATE_LINK ${_jar}-${PROJECT_VERSION}.jar ${_deb_files}/${_jar}.jar
             SYMBOLIC)
        install(FILES ${_deb_files}/${_jar}.jar DESTINATION share/java
                COMPONENT deb EXCLUDE_FROM_ALL)
    endforeach()
    install(PROGRAMS ${PROJECT_SOURCE_DIR}/packaging/veltrane-probe DESTINATION bin
            COMPONENT deb EXCLUDE_FROM_ALL)
endif()

# The manual pages and the changelog carry the project's version; Debian wants them
# compressed with gzip -9n (no name, no time stamp inside).
set(_gzipped)
foreach(_page veltrane-probe.1 veltrane-inf2reg.1 changelog)
    configure_file(${PROJECT_SOURCE_DIR}/packaging/${_page}.in ${_deb_files}/${_page} @ONLY)
    add_custom_command(OUTPUT ${_deb_files}/${_page}.gz
                       COMMAND gzip -9nf -k ${_deb_files}/${_page}
                       DEPENDS ${_deb_files}/${_page} VERBATIM)
    list(APPEND _gzipped ${_deb_files}/${_page}.gz)
endforeach()
add_custom_target(veltrane_deb_docs ALL DEPENDS ${_gzipped})
install(FILES ${_deb_files}/veltrane-probe.1.gz ${_deb_files}/veltrane-inf2reg.1.gz
        DESTINATION share/man/man1 COMPONENT deb EXCLUDE_FROM_ALL)
install(FILES ${_deb_files}/changelog.gz ${PROJECT_SOURCE_DIR}/packaging/copyright
        DESTINATION ${_doc} COMPONENT deb EXCLUDE_FROM_ALL)

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL deb)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
set(CPACK_DEBIAN_PACKAGE_NAME ${_deb_name})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${VELTRANE_PACKAGE_CONTACT})
set(CPACK_DEBIAN_PACKAGE_SECTION java)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# dpkg-shlibdeps reads what the binaries link (libc6, libgcc-s1, libssl3, libstdc++6); the
# jars need a Java runtime.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "default-jre-headless | java8-runtime-headless")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "native library of the Veltrane telephony application")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION [[The library VeltraneWin32DLL, which the Veltrane application loads with
System.loadLibrary, in the folder where Java looks for it by default; the Java
declarations of its native methods (veltrane-api.jar); veltrane-probe, which
prints what the application sees through the library; and veltrane-inf2reg,
which writes the registry file of a voice modem from its driver's INF file.]])
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
