# From the host build: the stand-in runtime as a project of its own for each Windows
# toolchain, in build/host/standin-<target>/bin, so that host tests can inspect both machines'
# images. A toolchain whose compiler is missing is skipped (scripts/setup installs both); the
# global property LEAFMARK_STANDIN_HOST_BUILDS lists the targets built.
include(ExternalProject)

foreach(target win32 win64)
  if(target STREQUAL "win32")
    set(compiler i686-w64-mingw32-g++-posix)
  else()
    set(compiler x86_64-w64-mingw32-g++-posix)
  endif()
  find_program(LEAFMARK_STANDIN_${target}_CXX ${compiler})
  if(NOT LEAFMARK_STANDIN_${target}_CXX)
    message(STATUS "stand-in runtime for ${target}: ${compiler} not found, not built")
    continue()
  endif()
  set(dir ${CMAKE_BINARY_DIR}/standin-${target})
  ExternalProject_Add(standin_runtime_${target}
    SOURCE_DIR ${CMAKE_CURRENT_LIST_DIR}
    BINARY_DIR ${dir}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${PROJECT_SOURCE_DIR}/cmake/${target}.cmake
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
               -DLEAFMARK_STANDIN_VERSION=${LEAFMARK_STANDIN_VERSION}
    BUILD_COMMAND ${CMAKE_COMMAND} --build ${dir} --target standin_runtimes
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    LOG_CONFIGURE ON LOG_BUILD ON LOG_OUTPUT_ON_FAILURE ON)
  set_property(GLOBAL APPEND PROPERTY LEAFMARK_STANDIN_HOST_BUILDS ${target})
endforeach()
