# What `cmake --install` lays out and what CPack packs, one archive per platform:
#   VeltraneWin32DLL-<version>-linux-x86_64.tar.gz
#   VeltraneWin32DLL-<version>-windows-x86.zip
#   VeltraneWin32DLL-<version>-windows-x86_64.zip
# each with the library, the probe jar and its launcher, the integrators' README and the
# license notices of what is linked in statically. scripts/package.sh adds the archive
# holding all three. On Linux CPack also writes the Debian package
# veltranewin32dll_<version>_amd64.deb (the component "deb", below).
include(GNUInstallDirs)

if(WIN32 AND CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(VELTRANE_PACKAGE_PLATFORM windows-x86)
elseif(WIN32)
    set(VELTRANE_PACKAGE_PLATFORM windows-x86_64)
else()
    set(VELTRANE_PACKAGE_PLATFORM linux-x86_64)
endif()

# The library goes where each platform's Java looks with -Djava.library.path: one folder.
install(TARGETS VeltraneWin32DLL
        RUNTIME DESTINATION lib COMPONENT library
        LIBRARY DESTINATION lib COMPONENT library)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/README.txt DESTINATION . COMPONENT library)

# The probe, the declarations it names in its manifest and its launcher (a shell script on
# Linux, a .cmd on Windows), which also lies beside the jar in the build folder so that the
# build runs the probe as the archive does. On Linux the probe's registry-file helper goes
# beside the library.
if(TARGET veltrane_probe_jar)
    install(FILES ${PROJECT_BINARY_DIR}/veltrane-probe.jar ${PROJECT_BINARY_DIR}/veltrane-api.jar
            DESTINATION . COMPONENT library)
    if(WIN32)
        set(_launcher ${PROJECT_SOURCE_DIR}/packaging/veltrane-probe.cmd)
    else()
        set(_launcher ${PROJECT_SOURCE_DIR}/packaging/veltrane-probe)
    endif()
    configure_file(${_launcher} ${PROJECT_BINARY_DIR} COPYONLY)
    install(PROGRAMS ${_launcher} DESTINATION . COMPONENT library)
endif()
if(TARGET VeltraneProbe)
    install(TARGETS VeltraneProbe LIBRARY DESTINATION lib COMPONENT library)
endif()

# License notices: on Windows the GCC runtime (libgcc, libstdc++) and the mingw-w64 runtime
# with winpthreads are linked in; on Linux nothing is linked statically.
if(WIN32)
    set(_notices /usr/share/doc/gcc-mingw-w64-base/copyright:GCC-runtime.txt
                 /usr/share/doc/mingw-w64-common/copyright:mingw-w64-runtime.txt)
    foreach(_pair IN LISTS _notices)
        string(REPLACE ":" ";" _pair ${_pair})
        list(GET _pair 0 _from)
        list(GET _pair 1 _to)
        if(NOT EXISTS ${_from})
            message(FATAL_ERROR "license notice ${_from} is missing")
        endif()
        install(FILES ${_from} DESTINATION licenses RENAME ${_to} COMPONENT library)
    endforeach()
endif()
install(FILES ${PROJECT_SOURCE_DIR}/packaging/NOTICE.txt DESTINATION licenses COMPONENT library)

set(CPACK_PACKAGE_NAME VeltraneWin32DLL)
set(CPACK_PACKAGE_VENDOR Quorindel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME VeltraneWin32DLL-${PROJECT_VERSION}-${VELTRANE_PACKAGE_PLATFORM})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)  # debugging symbols stay in the build folder
if(WIN32)
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR TGZ DEB)
    include(${CMAKE_CURRENT_LIST_DIR}/DebianPackage.cmake)
endif()
include(CPack)
