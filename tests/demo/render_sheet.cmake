# Runs `cavix demo` and renders its section sheet to PNG as a person would look at it: the
# drawing must rasterise and hold more than a blank sheet.
# -DCAVIX=<binary> -DRSVG=<rsvg-convert> -DOUT=<folder> -DREGISTRY=<file> -DSETTINGS=<file>
# -DSUPPRESSIONS=<leak suppressions for the geometry kernel>
file(REMOVE_RECURSE "${OUT}")
execute_process(COMMAND ${CMAKE_COMMAND} -E env CAVIX_REGISTRY=${REGISTRY}
                        CAVIX_SETTINGS=${SETTINGS} LSAN_OPTIONS=suppressions=${SUPPRESSIONS}
                        ${CAVIX} demo ${OUT}
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cavix demo: exit status ${rc}\n${out}\n${err}")
endif()
execute_process(COMMAND ${RSVG} -w 1400 ${OUT}/sections.svg -o ${OUT}/sections.png
                RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "the section sheet does not render: ${err}")
endif()
file(READ ${OUT}/sections.png head LIMIT 8 HEX)
if(NOT head STREQUAL "89504e470d0a1a0a")
  message(FATAL_ERROR "the rendered sheet is not a PNG")
endif()
# A blank 1400-pixel sheet compresses to a few kilobytes; nine hatched sections with their
# callouts take far more.
file(SIZE ${OUT}/sections.png size)
if(size LESS 40000)
  message(FATAL_ERROR "the rendered sheet is nearly blank (${size} bytes)")
endif()
