# What an installation holds besides the programs (menu entry, icons, AppStream
# metadata, manual pages, completion, the start page, Debian's doc files), and
# the Debian package that `make package` builds from it with CPack.
include(GNUInstallDirs)
set(res_dir ${PROJECT_SOURCE_DIR}/res)
set(generated_dir ${PROJECT_BINARY_DIR}/package)
set(KELVARIN_MAINTAINER "Seed 03316b83 maintainers <maintainers@users.noreply.c-seed-03316b83.example>")

# The release date as the changelog writes it, and as a time stamp for tools
# that would otherwise date their output with the build.
execute_process(
  COMMAND date -u -R -d "${KELVARIN_RELEASE_DATE} 12:00:00"
  OUTPUT_VARIABLE KELVARIN_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)
execute_process(
  COMMAND date -u +%s -d "${KELVARIN_RELEASE_DATE} 12:00:00"
  OUTPUT_VARIABLE release_epoch OUTPUT_STRIP_TRAILING_WHITESPACE
  COMMAND_ERROR_IS_FATAL ANY)

find_program(HELP2MAN help2man REQUIRED)
find_program(GZIP gzip REQUIRED)

# Debian wants documentation compressed, and reproducibly so (no name, no time).
function(kelvarin_gzip file)
  add_custom_command(OUTPUT ${file}.gz
    COMMAND ${GZIP} -9nkf ${file}
    DEPENDS ${file}
    VERBATIM)
  set_property(GLOBAL APPEND PROPERTY kelvarin_generated_docs ${file}.gz)
endfunction()

# A manual page made from the program's own --help and --version by help2man,
# so options cannot drift from the program; the sections help cannot give
# (files, environment, examples) come from include files kept in res/man/.
# CLI11 programs go through a script that lays their commands out as sections.
function(kelvarin_manual_page program)
  cmake_parse_arguments(ARG "CLI11" "NAME" "HELP2MAN_ARGS;INCLUDES" ${ARGN})
  set(page ${generated_dir}/${program}.1)
  set(includes)
  set(include_files)
  foreach(include IN LISTS ARG_INCLUDES)
    list(APPEND includes --include ${res_dir}/man/${include})
    list(APPEND include_files ${res_dir}/man/${include})
  endforeach()
  set(executable $<TARGET_FILE:${program}>)
  set(environment)
  if(ARG_CLI11)
    set(executable ${PROJECT_SOURCE_DIR}/cmake/cli11-help-for-help2man)
    set(environment CLI11_PROGRAM=$<TARGET_FILE:${program}>)
    list(APPEND ARG_HELP2MAN_ARGS --help-option=--help-all)
  endif()
  # Offscreen, so the desktop program answers --help without a display; the
  # builder's own server setting must not show up as a default in the page,
  # and the page is dated with the release, not the build.
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -E env --unset=KELVARIN_SERVER QT_QPA_PLATFORM=offscreen
            SOURCE_DATE_EPOCH=${release_epoch} ${environment}
            ${HELP2MAN} --no-info --section 1 --manual "User Commands"
            --source "Kelvarin ${PROJECT_VERSION}" --name ${ARG_NAME} ${ARG_HELP2MAN_ARGS}
            ${includes} --output ${page} ${executable}
    DEPENDS ${program} ${include_files} ${executable}
    VERBATIM)
  kelvarin_gzip(${page})
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

kelvarin_manual_page(kelvarin-cli CLI11
  NAME "build stock history files from an exchange's daily price archives"
  INCLUDES kelvarin-cli.h2m files.h2m)
kelvarin_manual_page(kelvarin-exchange
  NAME "simulated exchange serving daily price archives on loopback"
  HELP2MAN_ARGS --version-string=${PROJECT_VERSION}
  INCLUDES kelvarin-exchange.h2m)
if(TARGET kelvarin)
  kelvarin_manual_page(kelvarin
    NAME "keep a local library of daily stock-price histories"
    INCLUDES kelvarin.h2m files.h2m)

  install(FILES ${res_dir}/kelvarin.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${res_dir}/icons/kelvarin.svg
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  foreach(size 48 64 128 256)
    install(FILES ${res_dir}/icons/kelvarin-${size}.png
      DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME kelvarin.png)
  endforeach()
  configure_file(${res_dir}/package/kelvarin.metainfo.xml.in
    ${generated_dir}/${KELVARIN_APPSTREAM_ID}.metainfo.xml @ONLY)
  install(FILES ${generated_dir}/${KELVARIN_APPSTREAM_ID}.metainfo.xml
    DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

install(FILES ${res_dir}/kv_index.htm DESTINATION ${CMAKE_INSTALL_DATADIR}/kelvarin)
install(FILES ${res_dir}/package/kelvarin-cli.bash-completion
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kelvarin-cli)

configure_file(${res_dir}/package/changelog.in ${generated_dir}/changelog @ONLY)
kelvarin_gzip(${generated_dir}/changelog)
set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/kelvarin)
install(FILES ${res_dir}/package/copyright ${generated_dir}/changelog.gz DESTINATION ${doc_dir})

get_property(generated_docs GLOBAL PROPERTY kelvarin_generated_docs)
add_custom_target(kelvarin_docs ALL DEPENDS ${generated_docs})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kelvarin)
set(CPACK_PACKAGE_CONTACT "${KELVARIN_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps a local library of daily stock-price histories")
# Debian shows the description as it stands: lines under 80 characters.
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
  "Kelvarin Downloader reads a stock exchange's index of daily end-of-day"
  "price archives over HTTP, downloads the new ones, unzips each archive's"
  "daily price file and adds every day's prices to one tab-separated history"
  "file per stock."
  ""
  "The package holds the desktop program kelvarin, the command-line program"
  "kelvarin-cli for unattended runs, and kelvarin-exchange, a simulated"
  "exchange for trying both out.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
