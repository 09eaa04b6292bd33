# Completes command lines as bash does on a Tab, with the installed completion, and checks what is
# offered: commands, a command's options, an option's words, files after a file option.
function(complete line want)
  execute_process(COMMAND bash -c "source '${COMPLETION}'
read -ra COMP_WORDS <<< \"$1\"
[[ \"$1\" == *' ' ]] && COMP_WORDS+=('')
COMP_CWORD=$((\${#COMP_WORDS[@]} - 1))
_cavix
echo \"\${COMPREPLY[*]}\"" _ "${line}"
    OUTPUT_VARIABLE got RESULT_VARIABLE rc)
  string(STRIP "${got}" got)
  if(NOT rc EQUAL 0 OR NOT got MATCHES "${want}")
    message(SEND_ERROR "'${line}' completes to '${got}', not '${want}'")
  endif()
endfunction()

complete("cavix dr" "^drop$")
complete("cavix ch" "^check check-tables$")
complete("cavix check m.cvx --" "^--json --help$|--json")
complete("cavix drop m.cvx --st" "^--strict$")
complete("cavix drop m.cvx --sc" "^--script$")
complete("cavix drop m.cvx --a" "^--at --at-file --all-like$|^--at --at-file$")
complete("cavix new m.cvx --units " "^mm inch$")
complete("cavix paths --" "--json.*--registry.*--settings.*--help")
complete("cavix drop m.cvx --script ${CMAKE_CURRENT_LIST_DIR}/completion_ch"
         "completion_check.cmake$")
complete("cavix new m.cvx --block " "^$")
