find_package(PkgConfig REQUIRED)
find_package(Threads REQUIRED)
find_package(CURL REQUIRED)
find_package(ZLIB REQUIRED)
pkg_check_modules(MINIZIP REQUIRED IMPORTED_TARGET minizip)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib)
find_package(CLI11 REQUIRED)
# The simulated exchange reports why its certificate was refused; the tests
# make their certificates with it.
find_package(OpenSSL REQUIRED)

if(KELVARIN_BUILD_GUI)
  find_package(Qt6 REQUIRED COMPONENTS Widgets Test PrintSupport)
  find_package(QCustomPlotQt6 REQUIRED)
  pkg_check_modules(XCB_XKB REQUIRED IMPORTED_TARGET xcb xcb-xkb)
endif()

if(KELVARIN_BUILD_TESTS)
  find_package(GTest REQUIRED)
  # The tests read what `kelvarin-cli status --json` prints with a real parser.
  find_package(nlohmann_json REQUIRED)
endif()
