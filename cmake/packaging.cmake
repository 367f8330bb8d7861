# Install rules and Debian packages (cpack -G DEB from the build directory).
#
# Five packages, one CPack component each:
#   dvrconfig-plugin  the plug-in libdvrconfig.so
#   dvrconfig-sdk     the SDK stand-in libquellport.so and the simulated recorder libdvrsim.so
#   dvrcfg            the command-line tool, with its man page and bash completion
#   dvr-simulator     the recorder simulator, with its man page
#   dvrhost           the demo host, with its man page
#
# The libraries are private: no stable interface, no versioned SONAME, so they live in
# /usr/lib/<triplet>/dvrconfig and the programs find them by an $ORIGIN-relative RUNPATH (which
# also works from a tree unpacked anywhere with dpkg -x). The plug-in finds libquellport.so beside
# itself when the host process does not already hold the SDK.
if(NOT UNIX OR APPLE)
  return()
endif()

# Debian installs under /usr; with that prefix GNUInstallDirs picks the multiarch library directory.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)
set(DVR_PRIVATE_LIBDIR ${CMAKE_INSTALL_LIBDIR}/dvrconfig)
file(RELATIVE_PATH _dvr_bin_to_private /${CMAKE_INSTALL_BINDIR} /${DVR_PRIVATE_LIBDIR})

# Hardening as Debian's dpkg-buildflags gives it (with bindnow): stack protector, fortified libc
# calls, format checks, read-only relocations. Left out under the sanitizers, which do not mix
# with _FORTIFY_SOURCE, and fortification needs an optimised build.
option(DVR_HARDEN "Build with Debian's hardening flags" ON)
if(DVR_HARDEN AND NOT DVR_SANITIZE AND NOT DVR_TSAN AND CMAKE_CXX_COMPILER_ID MATCHES "GNU|Clang")
  get_property(_dvr_targets DIRECTORY ${CMAKE_SOURCE_DIR} PROPERTY BUILDSYSTEM_TARGETS)
  foreach(_target IN LISTS _dvr_targets)
    get_target_property(_type ${_target} TYPE)
    if(_type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY|STATIC_LIBRARY|OBJECT_LIBRARY)$")
      target_compile_options(${_target} PRIVATE -fstack-protector-strong -fstack-clash-protection -Wformat
                                                -Werror=format-security $<$<NOT:$<CONFIG:Debug>>:-D_FORTIFY_SOURCE=2>)
      if(NOT _type MATCHES "STATIC_LIBRARY|OBJECT_LIBRARY")
        target_link_options(${_target} PRIVATE -Wl,-z,relro -Wl,-z,now)
      endif()
    endif()
  endforeach()
endif()

# Where the installed files find their libraries: programs in /usr/bin one way up and over, the
# libraries and the demo host (which loads the plug-in from its own directory) beside them.
# RUNPATH rather than RPATH, so LD_LIBRARY_PATH still wins when someone needs it to.
set_target_properties(dvrcfg dvr-simulator PROPERTIES INSTALL_RPATH "\$ORIGIN/${_dvr_bin_to_private}")
set_target_properties(quellport dvrsim dvrhost PROPERTIES INSTALL_RPATH "\$ORIGIN")
set_target_properties(dvrconfig PROPERTIES INSTALL_RPATH "")
foreach(_target dvrcfg dvr-simulator dvrhost quellport dvrsim dvrconfig)
  target_link_options(${_target} PRIVATE -Wl,--enable-new-dtags)
endforeach()

install(TARGETS dvrconfig LIBRARY DESTINATION ${DVR_PRIVATE_LIBDIR} COMPONENT plugin)
install(TARGETS quellport dvrsim LIBRARY DESTINATION ${DVR_PRIVATE_LIBDIR} COMPONENT sdk)
install(TARGETS dvrcfg RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dvrcfg)
install(TARGETS dvr-simulator RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT simulator)
# dvrhost looks for the plug-in in its own directory (/proc/self/exe, symbolic links resolved), so
# the program lives beside the plug-in and /usr/bin holds a relative link to it.
install(TARGETS dvrhost RUNTIME DESTINATION ${DVR_PRIVATE_LIBDIR} COMPONENT host)
file(RELATIVE_PATH _dvr_host_link /${CMAKE_INSTALL_BINDIR} /${DVR_PRIVATE_LIBDIR}/dvrhost)
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
file(CREATE_LINK ${_dvr_host_link} ${CMAKE_BINARY_DIR}/packaging/dvrhost SYMBOLIC)
install(FILES ${CMAKE_BINARY_DIR}/packaging/dvrhost DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT host)

install(FILES ${CMAKE_SOURCE_DIR}/tools/dvrcfg.bash-completion DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions
        RENAME dvrcfg COMPONENT dvrcfg)

# The version the packages carry is the project's; the changelog's newest entry must name it.
file(STRINGS ${CMAKE_SOURCE_DIR}/packaging/changelog _dvr_changelog_top LIMIT_COUNT 1)
if(NOT _dvr_changelog_top MATCHES "^dvrconfig \\(${PROJECT_VERSION}\\) ")
  message(FATAL_ERROR "packaging/changelog: its newest entry is not version ${PROJECT_VERSION}: ${_dvr_changelog_top}")
endif()

# Files that Debian wants compressed with gzip -9n (no name, no time stamp: reproducible).
find_program(DVR_GZIP gzip REQUIRED)
set(_dvr_packaged_docs)
function(dvr_gzip source)
  get_filename_component(_name ${source} NAME)
  set(_copy ${CMAKE_BINARY_DIR}/packaging/${_name})
  add_custom_command(OUTPUT ${_copy}.gz COMMAND ${CMAKE_COMMAND} -E copy ${source} ${_copy}
                     COMMAND ${DVR_GZIP} -9nf ${_copy} DEPENDS ${source} VERBATIM)
endfunction()
dvr_gzip(${CMAKE_SOURCE_DIR}/packaging/changelog)
dvr_gzip(${CMAKE_SOURCE_DIR}/README.md)
list(APPEND _dvr_packaged_docs ${CMAKE_BINARY_DIR}/packaging/changelog.gz ${CMAKE_BINARY_DIR}/packaging/README.md.gz)

# Man pages from the programs' own help; help2man runs each through packaging/manhelp.sh.
find_program(DVR_HELP2MAN help2man)
set(_dvr_man_dvrcfg "back up, compare, restore and roll out recorder configurations")
set(_dvr_man_dvr-simulator "simulated digital video recorders on TCP ports")
set(_dvr_man_dvrhost "demo surveillance client that opens the recorder configuration plug-in")
if(DVR_HELP2MAN)
  foreach(_program dvrcfg dvr-simulator dvrhost)
    set(_page ${CMAKE_BINARY_DIR}/packaging/${_program}.1)
    if(_program STREQUAL "dvrcfg")
      set(_options --help-option=--help-all --version-option=--version)
    else()
      set(_options --help-option=--help "--version-string=${_program} ${PROJECT_VERSION}")
    endif()
    add_custom_command(
      OUTPUT ${_page}.gz
      COMMAND ${DVR_HELP2MAN} --no-info --section=1 "--source=dvrconfig ${PROJECT_VERSION}" "--manual=User Commands"
              "--name=${_dvr_man_${_program}}" ${_options} --include=${CMAKE_SOURCE_DIR}/packaging/${_program}.h2m
              --output=${_page} "${CMAKE_SOURCE_DIR}/packaging/manhelp.sh ${_program} $<TARGET_FILE:${_program}>"
      COMMAND ${DVR_GZIP} -9nf ${_page}
      DEPENDS ${_program} ${CMAKE_SOURCE_DIR}/packaging/manhelp.sh ${CMAKE_SOURCE_DIR}/packaging/${_program}.h2m
      COMMENT "Man page of ${_program}"
      VERBATIM)
    list(APPEND _dvr_packaged_docs ${_page}.gz)
  endforeach()
  install(FILES ${CMAKE_BINARY_DIR}/packaging/dvrcfg.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT dvrcfg)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/dvr-simulator.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1
          COMPONENT simulator)
  install(FILES ${CMAKE_BINARY_DIR}/packaging/dvrhost.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT host)
else()
  message(WARNING "help2man not found: the packages will have no man pages (./setup.sh installs it)")
endif()
# Built with everything else, except in the sanitizer builds, which are never packaged.
if(DVR_SANITIZE OR DVR_TSAN)
  add_custom_target(packaging-docs DEPENDS ${_dvr_packaged_docs})
else()
  add_custom_target(packaging-docs ALL DEPENDS ${_dvr_packaged_docs})
endif()

# Every package: its copyright and changelog in /usr/share/doc/<package>.
set(_dvr_components plugin sdk dvrcfg simulator host)
set(_dvr_package_plugin dvrconfig-plugin)
set(_dvr_package_sdk dvrconfig-sdk)
set(_dvr_package_dvrcfg dvrcfg)
set(_dvr_package_simulator dvr-simulator)
set(_dvr_package_host dvrhost)
foreach(_component IN LISTS _dvr_components)
  set(_doc ${CMAKE_INSTALL_DATADIR}/doc/${_dvr_package_${_component}})
  install(FILES ${CMAKE_SOURCE_DIR}/packaging/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz DESTINATION ${_doc}
          COMPONENT ${_component})
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.md.gz DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/dvrcfg
        COMPONENT dvrcfg)

set(DVR_PACKAGE_MAINTAINER "dvrconfig developers <dvrconfig@example.org>"
    CACHE STRING "Maintainer field of the Debian packages")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME dvrconfig)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "dvrconfig developers")
set(CPACK_PACKAGE_CONTACT ${DVR_PACKAGE_MAINTAINER})
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL ${_dvr_components})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${DVR_PACKAGE_MAINTAINER})
set(CPACK_DEBIAN_PACKAGE_SOURCE dvrconfig)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The private libraries come from the build tree; their package is named by hand below.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${CMAKE_BINARY_DIR}/bin)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

set(_dvr_same "(= ${PROJECT_VERSION})")
foreach(_component IN LISTS _dvr_components)
  string(TOUPPER ${_component} _upper)
  set(CPACK_DEBIAN_${_upper}_PACKAGE_NAME ${_dvr_package_${_component}})
endforeach()

set(CPACK_DEBIAN_PLUGIN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PLUGIN_PACKAGE_RECOMMENDS "dvrconfig-sdk ${_dvr_same}, fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_COMPONENT_PLUGIN_DESCRIPTION
    "recorder remote-configuration plug-in for video-surveillance clients
A video-surveillance client loads libdvrconfig.so and calls its one exported
function, show_modal_config, with a log-in handle. The dialog fetches the
recorder's configuration through the client's SDK (device, channels, network,
serial ports, alarms, disks), shows it for editing and sends it back.
.
The SDK is resolved at run time: from the host process, or else as
libquellport.so beside the plug-in in /usr/lib/<triplet>/dvrconfig, which
the package dvrconfig-sdk provides. The dialog's texts are Chinese, so a CJK
font is recommended.")

set(CPACK_DEBIAN_SDK_PACKAGE_SECTION libs)
set(CPACK_COMPONENT_SDK_DESCRIPTION
    "client SDK stand-in and simulated recorder for the dvrconfig tools
libquellport.so offers the operations the recorder configuration plug-in and
dvrcfg use: log-in, configuration commands one at a time or as a pipelined
batch, reboot and live preview. It reaches simulated recorders inside the
process (sim:// addresses) or dvr-simulator over TCP (HOST:PORT).
.
libdvrsim.so is the simulated recorder: factory records, injected faults, a
command log and reboots. Both are private libraries, installed in
/usr/lib/<triplet>/dvrconfig.")

set(CPACK_DEBIAN_DVRCFG_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_DVRCFG_PACKAGE_DEPENDS "dvrconfig-sdk ${_dvr_same}")
set(CPACK_COMPONENT_DVRCFG_DESCRIPTION
    "back up, compare, restore and roll out recorder configurations
dvrcfg reads a recorder's whole configuration with the same commands as the
configuration dialog and writes it as a verified JSON backup. It shows backups
and live recorders field by field, compares them, restores a backup onto its
recorder, and applies one as a template to a fleet of recorders named in an
inventory file: a snapshot before each change, a reboot where a change needs
one, and results as text or JSON.")

set(CPACK_DEBIAN_SIMULATOR_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_SIMULATOR_PACKAGE_DEPENDS "dvrconfig-sdk ${_dvr_same}")
set(CPACK_COMPONENT_SIMULATOR_DESCRIPTION
    "simulated digital video recorders on TCP ports
dvr-simulator serves up to 255 simulated recorders, one TCP port each, for
testing the recorder configuration plug-in, dvrcfg and other clients of the
SDK stand-in. The recorders ask for a user name and password, reboot, keep
their configuration in a state file if asked to and send live video; a
control interface injects faults and reads the command log.")

set(CPACK_DEBIAN_HOST_PACKAGE_SECTION video)
set(CPACK_DEBIAN_HOST_PACKAGE_DEPENDS "dvrconfig-sdk ${_dvr_same}, dvrconfig-plugin ${_dvr_same}")
set(CPACK_DEBIAN_HOST_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_COMPONENT_HOST_DESCRIPTION
    "demo surveillance client that opens the recorder configuration plug-in
dvrhost logs in to a recorder through the SDK stand-in (an embedded simulated
recorder by default, or dvr-simulator across the network), lists it and opens
the configuration dialog of the plug-in. Without a display it runs offscreen,
performs the full load and writes a PNG picture of each page.")

include(CPack)
