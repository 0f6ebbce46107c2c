# libsodium for a Windows build, compiled from Debian's source (third_party/libsodium, which
# scripts/setup unpacks with Debian's patches and prepares with autoreconf) by its own build
# system, outside the source tree, so the two Windows builds do not meet. The minimal build
# holds what the client uses: signature checks.
include(ExternalProject)
set(sodium_source ${PROJECT_SOURCE_DIR}/third_party/libsodium)
if(NOT EXISTS ${sodium_source}/configure)
  message(FATAL_ERROR "libsodium's source is missing from ${sodium_source}: run scripts/setup")
endif()
set(sodium_prefix ${CMAKE_BINARY_DIR}/libsodium)
set(sodium_compiler ${CMAKE_C_COMPILER})
if(CMAKE_C_COMPILER_LAUNCHER)
  set(sodium_compiler "${CMAKE_C_COMPILER_LAUNCHER} ${CMAKE_C_COMPILER}")
endif()
ExternalProject_Add(sodium_mingw
  SOURCE_DIR ${sodium_source}
  PREFIX ${sodium_prefix}
  INSTALL_DIR ${sodium_prefix}
  CONFIGURE_COMMAND <SOURCE_DIR>/configure --quiet --host=${LINTROVE_MINGW_TARGET}
                    --disable-shared --enable-minimal --prefix=<INSTALL_DIR>
                    "CC=${sodium_compiler}"
  BUILD_COMMAND make -j2 --quiet
  INSTALL_COMMAND make --quiet install
  BUILD_BYPRODUCTS ${sodium_prefix}/lib/libsodium.a
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)
file(MAKE_DIRECTORY ${sodium_prefix}/include)
add_library(sodium_static STATIC IMPORTED GLOBAL)
set_target_properties(sodium_static PROPERTIES IMPORTED_LOCATION ${sodium_prefix}/lib/libsodium.a)
target_include_directories(sodium_static SYSTEM INTERFACE ${sodium_prefix}/include)
# The headers declare the functions for a DLL unless told the library is linked in.
target_compile_definitions(sodium_static INTERFACE SODIUM_STATIC)
# Its random numbers come from advapi32 (RtlGenRandom).
target_link_libraries(sodium_static INTERFACE advapi32)
add_dependencies(sodium_static sodium_mingw)
