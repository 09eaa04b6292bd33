# Installs the build under a scratch prefix (cmake --install --prefix) and checks what it holds:
# the application folder with the registry file, the host settings, the standards families, the
# images and the demo's scripts, and none of the build's own files; the manual page, the bash
# completion, the desktop entry, icon and model type. The installed command finds the defaults of
# its own install, whose registry file names that folder, and loads its windows and its STEP
# translator from it.
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
# The windows' module: the installed command loads it for `open` (which then reads the model
# before it looks for a display), and says so in words when it is missing.
if(WITH_QT)
  set(module "${PREFIX}/${LIB_DIR}/cavix/cavix-windows.so")
  if(NOT EXISTS "${module}")
    message(FATAL_ERROR "the install lacks ${LIB_DIR}/cavix/cavix-windows.so")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
                          "${PREFIX}/${BIN_DIR}/cavix" open "${PREFIX}/none.cvx"
                  ERROR_VARIABLE said RESULT_VARIABLE rc)
  if(NOT rc EQUAL 1 OR NOT said MATCHES "none.cvx\" does not exist")
    message(FATAL_ERROR "the installed cavix open did not reach its window: ${rc}\n${said}")
  endif()
  file(REMOVE "${module}")
  execute_process(COMMAND "${PREFIX}/${BIN_DIR}/cavix" open "${PREFIX}/none.cvx"
                  ERROR_VARIABLE said RESULT_VARIABLE rc)
  if(NOT rc EQUAL 1 OR NOT said MATCHES "the windows cannot be shown: .*cavix-windows.so\" is not installed")
    message(FATAL_ERROR "cavix open without its windows' module: ${rc}\n${said}")
  endif()
endif()
# The STEP translator's module: the installed command reads a STEP part through it, and says so in
# words when it is missing (the build tree's copy must not stand in: an install has no run path).
if(WITH_OCCT)
  set(module "${PREFIX}/${LIB_DIR}/cavix/cavix-step.so")
  execute_process(COMMAND "${PREFIX}/${BIN_DIR}/cavix" new "${PREFIX}/part.cvx" --from "${STEP_PART}"
                  OUTPUT_VARIABLE said ERROR_VARIABLE said RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT said MATCHES "bounding box 100 x 60 x 20 mm")
    message(FATAL_ERROR "the installed cavix did not read a STEP part: ${rc}\n${said}")
  endif()
  file(REMOVE "${module}")
  execute_process(COMMAND "${PREFIX}/${BIN_DIR}/cavix" new "${PREFIX}/part2.cvx" --from "${STEP_PART}"
                  ERROR_VARIABLE said RESULT_VARIABLE rc)
  if(rc EQUAL 0 OR NOT said MATCHES "the STEP translator cannot be loaded: .*cavix-step.so\" is not installed"
     OR EXISTS "${PREFIX}/part2.cvx")
    message(FATAL_ERROR "cavix new --from without its STEP module: ${rc}\n${said}")
  endif()
endif()
file(REMOVE_RECURSE "${PREFIX}")
