# Makes the Debian package of the build into OUT and reads it as apt would: the files it installs
# (dpkg -c), the packages it depends on, and the registry file naming /usr/share/cavix.
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND ${CPACK} -G DEB --config "${BUILD}/CPackConfig.cmake" -B "${OUT}"
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(GLOB debs "${OUT}/cavix_*.deb")
list(LENGTH debs n)
if(NOT rc EQUAL 0 OR NOT n EQUAL 1)
  message(FATAL_ERROR "cpack: ${rc}\n${out}\n${err}")
endif()
list(GET debs 0 deb)
if(NOT deb MATCHES "/cavix_[0-9]+\\.[0-9]+\\.[0-9]+_[a-z0-9]+\\.deb$")
  message(FATAL_ERROR "the package is named ${deb}")
endif()

execute_process(COMMAND dpkg-deb -c "${deb}" OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
foreach(wanted usr/bin/cavix usr/share/cavix/cavix.reg usr/share/cavix/settings.ini
               usr/share/cavix/Standards/ISO/Cavix.ini usr/share/cavix/Standards/UNC/Tab/unc.tab
               usr/share/cavix/Images/3iaoftt.jpg usr/share/cavix/scripts/demo_1_plain_blind.txt
               usr/share/man/man1/cavix.1.gz usr/share/bash-completion/completions/cavix
               usr/share/applications/cavix.desktop
               usr/share/icons/hicolor/scalable/apps/cavix.svg usr/share/mime/packages/cavix.xml
               usr/share/doc/cavix/copyright)
  if(NOT listing MATCHES "root/root[^\n]* \\./${wanted}\n")
    message(SEND_ERROR "the package lacks /${wanted} (or it is not root's)")
  endif()
endforeach()
# The windows' module, which the command loads from beside its lib folder.
if(WITH_QT AND NOT listing MATCHES "root/root[^\n]* \\./usr/lib/[^\n]*cavix/cavix-windows\\.so\n")
  message(SEND_ERROR "the package lacks the windows' module cavix-windows.so:\n${listing}")
endif()
if(WITH_OCCT AND NOT listing MATCHES "root/root[^\n]* \\./usr/lib/[^\n]*cavix/cavix-step\\.so\n")
  message(SEND_ERROR "the package lacks the STEP translator's module cavix-step.so:\n${listing}")
endif()
if(listing MATCHES "usr/local|CMakeLists|\\.cmake\n|\\.in\n")
  message(SEND_ERROR "the package holds what it should not:\n${listing}")
endif()

execute_process(COMMAND dpkg-deb -f "${deb}" Depends OUTPUT_VARIABLE depends)
set(needed libc6 libstdc\\+\\+6)
if(WITH_QT)
  list(APPEND needed libqt6widgets6 qt6-qpa-plugins)
endif()
if(WITH_OCCT)
  list(APPEND needed libocct-foundation-7 libocct-modeling-algorithms-7 libocct-data-exchange-7)
endif()
foreach(package ${needed})
  if(NOT depends MATCHES "(^|, )${package}")
    message(SEND_ERROR "the package does not depend on ${package}: ${depends}")
  endif()
endforeach()

execute_process(COMMAND dpkg-deb --fsys-tarfile "${deb}" COMMAND tar -xO ./usr/share/cavix/cavix.reg
                OUTPUT_VARIABLE registry)
if(NOT registry MATCHES "\"ApplDir\"=\"/usr/share/cavix\"")
  message(SEND_ERROR "the packaged registry names another folder:\n${registry}")
endif()
file(REMOVE_RECURSE "${OUT}")
