# What `cmake --install` puts under the prefix: the programs (cli/ and app/
# install their own, with the man page, the desktop entry and the icon), and
# the engine as a library for other programs, found through CMake
# (find_package(Vornak) -> Vornak::vornak) or pkg-config (vornak.pc).
#
# The library is the folders' own static libraries, installed as they are,
# behind one INTERFACE target. Rebuilding them as one combined archive would
# compile or repack the engine a second time for nothing the linker needs:
# the exported targets carry the links between the folders, so CMake orders
# them, and vornak.pc lists them in the one order the layering allows. A
# static library also keeps a consumer free of a shared engine's ABI, which
# is not promised between versions.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(vornak_libraries vornak_common vornak_symbol vornak_ecc vornak_data vornak_locate
                     vornak_photo vornak_engine)
# The public entries; every header they include (by folder, as in
# "engine/SymbolResult.h") is installed with them.
set(vornak_entries engine/Vornak.h engine/AppendMerger.h)
if(TARGET vornak_platform)
  list(APPEND vornak_libraries vornak_platform)
  list(APPEND vornak_entries platform/PictureFile.h platform/DisplayText.h)
endif()

add_library(vornak_package INTERFACE)
set_target_properties(vornak_package PROPERTIES EXPORT_NAME vornak)
# The headers use C++20 (defaulted comparisons).
target_compile_features(vornak_package INTERFACE cxx_std_20)
target_link_libraries(vornak_package INTERFACE ${vornak_libraries})
add_library(Vornak::vornak ALIAS vornak_package)

install(TARGETS ${vornak_libraries} vornak_package EXPORT VornakTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library)

# The public headers and what they include, followed at configure time so
# that a header a public one starts to include is installed with it.
set(vornak_headers "")
set(pending ${vornak_entries})
while(pending)
  list(POP_FRONT pending header)
  if(header IN_LIST vornak_headers)
    continue()
  endif()
  list(APPEND vornak_headers ${header})
  set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
                                                        ${PROJECT_SOURCE_DIR}/${header})
  file(STRINGS ${PROJECT_SOURCE_DIR}/${header} lines REGEX "^#include \"[a-z]+/[A-Za-z0-9]+\\.h\"")
  foreach(line ${lines})
    string(REGEX REPLACE "^#include \"([^\"]+)\".*" "\\1" included "${line}")
    list(APPEND pending ${included})
  endforeach()
endwhile()
foreach(header ${vornak_headers})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header}
          DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/vornak/${folder} COMPONENT library)
endforeach()

# The CMake package.
set(vornak_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Vornak)
set(VORNAK_WITH_PLATFORM OFF)
if(TARGET vornak_platform)
  set(VORNAK_WITH_PLATFORM ON)
endif()
install(EXPORT VornakTargets NAMESPACE Vornak:: DESTINATION ${vornak_cmake_dir}
        COMPONENT library)
configure_package_config_file(cmake/VornakConfig.cmake.in
                              ${PROJECT_BINARY_DIR}/VornakConfig.cmake
                              INSTALL_DESTINATION ${vornak_cmake_dir})
# Within one major version the headers and the results keep their meaning.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/VornakConfigVersion.cmake
                                 VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/VornakConfig.cmake
              ${PROJECT_BINARY_DIR}/VornakConfigVersion.cmake
        DESTINATION ${vornak_cmake_dir} COMPONENT library)

# The pkg-config file. Its prefix is found from where the file lies, so that
# `cmake --install --prefix` anywhere gives a file that points at itself.
# Static libraries: the dependencies go in Requires and every library in
# Libs, the users before the used.
file(RELATIVE_PATH pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
set(VORNAK_PC_PREFIX "\${pcfiledir}/${pc_to_prefix}")
set(VORNAK_PC_REQUIRES "")
if(VORNAK_WITH_PLATFORM)
  set(VORNAK_PC_REQUIRES "Qt6Gui libjpeg")
endif()
set(VORNAK_PC_LIBS "")
set(reversed ${vornak_libraries})
list(REVERSE reversed)
foreach(library ${reversed})
  string(APPEND VORNAK_PC_LIBS " -l${library}")
endforeach()
configure_file(cmake/vornak.pc.in ${PROJECT_BINARY_DIR}/vornak.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/vornak.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT library)
