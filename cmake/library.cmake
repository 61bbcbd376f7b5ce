# The public library: the headers of include/letterfreq/ over the core,
# built once as objects for the static library that letterfreq-cli and
# the Python module link and for libletterfreq.so, which exports only the
# public classes (api/exports.map).
set_target_properties(letterfreq_core PROPERTIES POSITION_INDEPENDENT_CODE ON)
file(GLOB API_SOURCES CONFIGURE_DEPENDS api/*.cpp)
add_library(letterfreq_api_objects OBJECT ${API_SOURCES})
set_target_properties(letterfreq_api_objects PROPERTIES
  POSITION_INDEPENDENT_CODE ON)
target_include_directories(letterfreq_api_objects PUBLIC
  ${CMAKE_SOURCE_DIR}/include)
target_link_libraries(letterfreq_api_objects PUBLIC letterfreq_core)

# Linking an object library directly puts its objects in the library.
add_library(letterfreq_api STATIC)
target_link_libraries(letterfreq_api PUBLIC letterfreq_api_objects)

add_library(letterfreq_shared SHARED)
set_target_properties(letterfreq_shared PROPERTIES
  OUTPUT_NAME letterfreq VERSION ${PROJECT_VERSION} SOVERSION 0
  LINK_DEPENDS ${CMAKE_SOURCE_DIR}/api/exports.map)
target_link_libraries(letterfreq_shared PRIVATE letterfreq_api_objects)
target_link_options(letterfreq_shared PRIVATE
  -Wl,--version-script=${CMAKE_SOURCE_DIR}/api/exports.map -Wl,--no-undefined)

# Installed: the headers, the library with its links, and letterfreq.pc,
# which finds the prefix from its own place, so that any --prefix or
# DESTDIR holds.
include(GNUInstallDirs)
install(DIRECTORY include/letterfreq
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS letterfreq_shared
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
file(RELATIVE_PATH PC_TO_PREFIX
  /prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig /prefix)
string(REGEX REPLACE "/$" "" PC_TO_PREFIX "${PC_TO_PREFIX}")
configure_file(cmake/letterfreq.pc.in ${CMAKE_BINARY_DIR}/letterfreq.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/letterfreq.pc
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
