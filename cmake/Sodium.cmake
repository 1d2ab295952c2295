# libsodium as one target, kova_sodium: Debian's shared library through pkg-config, or on Windows the static
# library of the cross-building SDK, so that the agent needs no libsodium DLL beside it.
add_library(kova_sodium INTERFACE)
if(WIN32)
    find_path(KOVA_SODIUM_INCLUDE_DIR sodium.h REQUIRED)
    find_library(KOVA_SODIUM_LIBRARY NAMES libsodium.a sodium REQUIRED)
    target_include_directories(kova_sodium INTERFACE ${KOVA_SODIUM_INCLUDE_DIR})
    target_link_libraries(kova_sodium INTERFACE ${KOVA_SODIUM_LIBRARY})
    target_compile_definitions(kova_sodium INTERFACE SODIUM_STATIC)
else()
    find_package(PkgConfig REQUIRED)
    pkg_check_modules(SODIUM REQUIRED IMPORTED_TARGET libsodium)
    target_link_libraries(kova_sodium INTERFACE PkgConfig::SODIUM)
endif()
