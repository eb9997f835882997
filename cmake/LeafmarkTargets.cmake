# Build settings shared by every Leafmark target, and the helpers the folders use.

set(LEAFMARK_WINDOWS OFF)
if(LEAFMARK_TARGET STREQUAL "win32" OR LEAFMARK_TARGET STREQUAL "win64")
  set(LEAFMARK_WINDOWS ON)
endif()

if(LEAFMARK_WINDOWS)
  enable_language(RC)  # the programs' icon and version resources
  # A book executable must run alone: no runtime DLL beside it.
  add_link_options(-static -static-libgcc -static-libstdc++)
  add_compile_definitions(_WIN32_WINNT=0x0601 WINVER=0x0601 NOMINMAX)
  set(LEAFMARK_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                 @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                 GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
  if(LEAFMARK_TARGET STREQUAL "win64")
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  else()
    # 32-bit Wine cannot start on these machines' kernels: win32 programs run in the QEMU
    # guest (scripts/win32-guest), where scripts/test runs CTest with this folder shared.
    configure_file(${CMAKE_CURRENT_LIST_DIR}/guest-run.sh.in ${CMAKE_BINARY_DIR}/guest-run.sh
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/guest-run.sh)
  endif()
else()
  option(LEAFMARK_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
  if(LEAFMARK_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# Warnings are errors in our own code (not in the third-party code we build).
function(leafmark_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow -Wnon-virtual-dtor
                         -Werror)
  # GCC 12 at -O3 reports overlapping copies inside libstdc++'s own string concatenation
  # ("#" + std::to_string(n)) that cannot happen: its -Wrestrict is left to later compilers.
  if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(${target} PRIVATE -Wno-restrict)
  endif()
endfunction()

function(leafmark_library name)
  add_library(${name} STATIC ${ARGN})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  leafmark_warnings(${name})
endfunction()

function(leafmark_executable name)
  add_executable(${name} ${ARGN})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  leafmark_warnings(${name})
endfunction()

# A GoogleTest executable registered as one CTest test (one Wine start per executable,
# not per case: each start costs a good fraction of a second).
function(leafmark_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  leafmark_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main GTest::gmock)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# Windows programs: the Leafmark icon (resource 1) and a version resource with the project's
# version and this description. Nothing on the host.
function(leafmark_program_resources target description)
  if(NOT LEAFMARK_WINDOWS)
    return()
  endif()
  set(PROGRAM_NAME ${target})
  set(PROGRAM_FILE ${target}.exe)
  set(PROGRAM_DESCRIPTION ${description})
  set(PROGRAM_ICON ${PROJECT_SOURCE_DIR}/app/resources/leafmark.ico)
  set(PROGRAM_VERSION_COMMAS ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources.rc)
  configure_file(${PROJECT_SOURCE_DIR}/app/resources/program.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  set_property(SOURCE ${rc} APPEND PROPERTY OBJECT_DEPENDS ${PROGRAM_ICON})
endfunction()
