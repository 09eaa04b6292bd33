# Copies the application directory into the build tree, leaving out the build's own files.
file(COPY "${SRC}/" DESTINATION "${DST}"
     PATTERN "*.in" EXCLUDE PATTERN "CMakeLists.txt" EXCLUDE PATTERN "*.cmake" EXCLUDE)
