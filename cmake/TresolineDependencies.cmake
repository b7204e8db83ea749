# Every external package of the project is found here and nowhere else.
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Sql Widgets Test)
find_package(CURL REQUIRED)
find_package(nlohmann_json 3.10 REQUIRED)
find_package(Threads REQUIRED)
find_package(SQLite3 REQUIRED) # the persistence hot path binds through the Qt connection's handle
find_package(PkgConfig REQUIRED)
pkg_check_modules(XLSXWRITER REQUIRED IMPORTED_TARGET xlsxwriter)

find_path(HTTPLIB_INCLUDE_DIR httplib.h REQUIRED)
add_library(tresoline_httplib INTERFACE)
target_include_directories(tresoline_httplib SYSTEM INTERFACE ${HTTPLIB_INCLUDE_DIR})
target_link_libraries(tresoline_httplib INTERFACE Threads::Threads)
# Debian ships the implementation as a compiled library built with TLS and
# compression on; its defines must match or the classes' layout differs.
pkg_check_modules(CPPHTTPLIB QUIET IMPORTED_TARGET cpp-httplib)
if(CPPHTTPLIB_FOUND)
  target_link_libraries(tresoline_httplib INTERFACE PkgConfig::CPPHTTPLIB)
endif()

if(TRESOLINE_BUILD_TESTS)
  find_package(GTest REQUIRED)
  pkg_check_modules(LIBOFX REQUIRED IMPORTED_TARGET libofx)
endif()
if(TRESOLINE_BUILD_BENCH)
  find_package(benchmark QUIET)
endif()
