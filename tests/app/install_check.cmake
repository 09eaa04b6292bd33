# Installs the build under a scratch prefix (cmake --install --prefix) and checks what it holds:
# the application folder with the registry file, the host settings, the standards families, the
# images and the demo's scripts, and none of the build's own files; the manual page, the bash
# completion, the desktop entry, icon and model type. The installed command finds the defaults of
# its own install, whose registry file names that folder.
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND ${CMAKE_COMMAND} --install "${BUILD}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
set(share "${PREFIX}/${DATA_DIR}")
foreach(wanted ${DATA_DIR}/cavix.reg ${DATA_DIR}/settings.ini ${DATA_DIR}/Standards/ISO/Cavix.ini
               ${DATA_DIR}/Standards/UNC/Cavix.ini ${DATA_DIR}/Images/3iaoftt.jpg
               ${DATA_DIR}/scripts/demo_1_plain_blind.txt ${MAN_DIR}/man1/cavix.1.gz
               ${SHARE_DIR}/bash-completion/completions/cavix ${SHARE_DIR}/applications/cavix.desktop
               ${SHARE_DIR}/icons/hicolor/scalable/apps/cavix.svg
               ${SHARE_DIR}/mime/packages/cavix.xml ${SHARE_DIR}/doc/cavix/copyright)
  if(NOT EXISTS "${PREFIX}/${wanted}")
    message(FATAL_ERROR "the install lacks ${wanted}")
  endif()
endforeach()
file(GLOB_RECURSE stray RELATIVE "${share}" "${share}/CMakeLists.txt" "${share}/*.cmake"
     "${share}/*.in")
if(stray)
  message(FATAL_ERROR "the install holds the build's files: ${stray}")
endif()
file(READ "${share}/cavix.reg" registry)
if(NOT registry MATCHES "\"ApplDir\"=\"${PREFIX}/${DATA_DIR}\"")
  message(FATAL_ERROR "the installed registry names another folder:\n${registry}")
endif()
execute_process(COMMAND "${PREFIX}/${BIN_DIR}/cavix" paths OUTPUT_VARIABLE paths RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT paths MATCHES "exists +registry file +${share}/cavix.reg"
   OR NOT paths MATCHES "exists +standards family ISO +${share}/Standards/ISO/")
  message(FATAL_ERROR "the installed cavix does not find its own install:\n${paths}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
