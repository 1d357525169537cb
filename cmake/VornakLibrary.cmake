# One static library per folder, made of every source file in it, so that new
# classes need no edit of the build files. Headers are included by their
# folder ("engine/Vornak.h"): from the source tree while building, from
# include/vornak once installed.
function(vornak_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXTERNAL" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB hdrs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  set(includes $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}> $<INSTALL_INTERFACE:include/vornak>)
  if(srcs)
    add_library(${name} STATIC ${srcs} ${hdrs})
    target_include_directories(${name} PUBLIC ${includes})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} ${ARG_EXTERNAL})
  else()
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${includes})
    target_link_libraries(${name} INTERFACE ${ARG_DEPS} ${ARG_EXTERNAL})
  endif()
endfunction()
