# Writes cavix.reg and settings.ini naming the application folder appl_dir into out_dir, from the
# templates beside this file; used for the build tree's copy and, when installing, for the install.
set(CAVIX_DATA_TEMPLATES "${CMAKE_CURRENT_LIST_DIR}")
function(cavix_configure_data appl_dir out_dir)
  # Inside a registry string a backslash is written \\ and a quote \".
  string(REPLACE "\\" "\\\\" CAVIX_REG_APPLDIR "${appl_dir}")
  string(REPLACE "\"" "\\\"" CAVIX_REG_APPLDIR "${CAVIX_REG_APPLDIR}")
  set(CAVIX_APPLDIR "${appl_dir}")
  configure_file("${CAVIX_DATA_TEMPLATES}/cavix.reg.in" "${out_dir}/cavix.reg" @ONLY
                 NEWLINE_STYLE CRLF)
  configure_file("${CAVIX_DATA_TEMPLATES}/settings.ini.in" "${out_dir}/settings.ini" @ONLY
                 NEWLINE_STYLE CRLF)
endfunction()
