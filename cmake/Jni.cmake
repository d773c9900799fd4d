# The JNI headers come from the installed JDK. On Linux its own jni_md.h serves; the
# MinGW builds take jni.h from the JDK and the Windows jni_md.h of include/win32.
if(NOT DEFINED ENV{JAVA_HOME})
    # The JDK whose javac is on the PATH.
    find_program(VELTRANE_JAVAC javac REQUIRED NO_CMAKE_FIND_ROOT_PATH)
    file(REAL_PATH ${VELTRANE_JAVAC} _javac)
    cmake_path(GET _javac PARENT_PATH _bin)
    cmake_path(GET _bin PARENT_PATH _home)
    set(ENV{JAVA_HOME} ${_home})
endif()
if(NOT CMAKE_CROSSCOMPILING)
    find_package(JNI REQUIRED COMPONENTS JVM)
    set(VELTRANE_JNI_INCLUDE_DIRS ${JNI_INCLUDE_DIRS})
else()
    find_path(VELTRANE_JDK_INCLUDE jni.h PATHS $ENV{JAVA_HOME}/include NO_DEFAULT_PATH
              NO_CMAKE_FIND_ROOT_PATH)
    if(NOT VELTRANE_JDK_INCLUDE)
        message(FATAL_ERROR "jni.h not found: install a JDK (openjdk-17-jdk-headless)")
    endif()
    set(VELTRANE_JNI_INCLUDE_DIRS ${PROJECT_SOURCE_DIR}/include/win32 ${VELTRANE_JDK_INCLUDE})
endif()
