# Dependencies of the Windows build, compiled from Debian's sources: pugixml from its source
# package (setup.sh fetches it into DVR_DEPS_DIR) and GoogleTest from /usr/src/googletest.
set(DVR_DEPS_DIR /var/cache/dvrconfig CACHE PATH "Where setup.sh keeps the sources of the Windows build's dependencies")
file(GLOB _pugixml_dirs LIST_DIRECTORIES true ${DVR_DEPS_DIR}/pugixml-*/src)
list(SORT _pugixml_dirs)
list(POP_BACK _pugixml_dirs _pugixml_src)
if(NOT _pugixml_src OR NOT EXISTS ${_pugixml_src}/pugixml.cpp)
  message(FATAL_ERROR "no pugixml sources under ${DVR_DEPS_DIR}: run ./setup.sh")
endif()
add_library(pugixml STATIC ${_pugixml_src}/pugixml.cpp)
target_include_directories(pugixml SYSTEM PUBLIC ${_pugixml_src})
add_library(pugixml::pugixml ALIAS pugixml)

set(DVR_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources (Debian package googletest)")

# Tests and test discovery run the programs through Wine, in a prefix inside the build tree.
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
