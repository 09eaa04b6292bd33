# Installs the build below a scratch DESTDIR (the install's paths are absolute: the registry file
# names its folder) and checks what the application folder holds: the registry file, the host
# settings, the standards families, the images and the demo's scripts, and none of the build's own
# files; then the installed command answers --version.
file(REMOVE_RECURSE "${DESTDIR}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${DESTDIR}
                        ${CMAKE_COMMAND} --install "${BUILD}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
set(share "${DESTDIR}${DATA_DIR}")
foreach(wanted cavix.reg settings.ini Standards/ISO/Cavix.ini Standards/UNC/Cavix.ini
               Images/3iaoftt.jpg scripts/demo_1_plain_blind.txt)
  if(NOT EXISTS "${share}/${wanted}")
    message(FATAL_ERROR "the install lacks share/cavix/${wanted}")
  endif()
endforeach()
file(GLOB_RECURSE stray RELATIVE "${share}" "${share}/CMakeLists.txt" "${share}/*.cmake"
     "${share}/*.in")
if(stray)
  message(FATAL_ERROR "the install holds the build's files: ${stray}")
endif()
execute_process(COMMAND "${DESTDIR}${BIN_DIR}/cavix" --version OUTPUT_VARIABLE version RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT version MATCHES "^cavix [0-9]+\\.[0-9]+")
  message(FATAL_ERROR "the installed cavix --version said: ${version}")
endif()
file(REMOVE_RECURSE "${DESTDIR}")
