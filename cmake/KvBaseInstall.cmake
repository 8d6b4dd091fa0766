# Installs kvtypes and kvbase, their headers flat in include/kvbase/, and the
# package that `find_package(KvBase CONFIG)` reads. Included by the root list
# once both targets exist.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The ABI promise follows the version: from 1.0 on only a major release may
# break it, before 1.0 any minor release may.
if(PROJECT_VERSION_MAJOR EQUAL 0)
  set(KV_SOVERSION ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR})
  set(KV_VERSION_COMPATIBILITY SameMinorVersion)
else()
  set(KV_SOVERSION ${PROJECT_VERSION_MAJOR})
  set(KV_VERSION_COMPATIBILITY SameMajorVersion)
endif()

set(KV_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/kvbase)
set(KV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/KvBase)

foreach(target kvtypes kvbase)
  set_target_properties(${target} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${KV_SOVERSION})
  # kvbase finds kvtypes beside it, wherever the prefix is moved to.
  if(APPLE)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "@loader_path")
  elseif(UNIX)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "$ORIGIN")
  endif()
  target_include_directories(${target} PUBLIC $<INSTALL_INTERFACE:${KV_INSTALL_INCLUDEDIR}>)
endforeach()

install(TARGETS kvtypes kvbase EXPORT KvBaseTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# The same globs as the targets' sources, so a new header needs no rule here.
install(FILES ${KVTYPES_HEADERS} ${KVBASE_HEADERS} DESTINATION ${KV_INSTALL_INCLUDEDIR})
install(EXPORT KvBaseTargets NAMESPACE KvBase:: DESTINATION ${KV_INSTALL_CMAKEDIR})

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/KvBaseConfig.cmake.in
  ${PROJECT_BINARY_DIR}/KvBaseConfig.cmake INSTALL_DESTINATION ${KV_INSTALL_CMAKEDIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KvBaseConfigVersion.cmake
  COMPATIBILITY ${KV_VERSION_COMPATIBILITY})
install(FILES ${PROJECT_BINARY_DIR}/KvBaseConfig.cmake ${PROJECT_BINARY_DIR}/KvBaseConfigVersion.cmake
  DESTINATION ${KV_INSTALL_CMAKEDIR})
