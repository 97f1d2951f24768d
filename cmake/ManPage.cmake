# Writes the manual page pdf417.1 from the program's own help with help2man: the top-level
# --help, and each subcommand's --help in a section of its own. Run with -P and
#   CLI      the built program      HELP2MAN  help2man
#   VERSION  the project's version  OUTPUT    the page to write
cmake_minimum_required(VERSION 3.22)
get_filename_component(cli_dir ${CLI} DIRECTORY)
get_filename_component(cli_name ${CLI} NAME)
get_filename_component(out_dir ${OUTPUT} DIRECTORY)
# Run by name from PATH, so that the usage lines say "pdf417" rather than the build path.
set(ENV{PATH} "${cli_dir}:$ENV{PATH}")

set(include "")
foreach(command encode decode)
  execute_process(COMMAND ${cli_name} ${command} --help OUTPUT_VARIABLE help RESULT_VARIABLE rc)
  if(rc)
    message(FATAL_ERROR "${cli_name} ${command} --help failed")
  endif()
  # roff: a backslash is \e, and a line must not begin with a control character.
  string(REPLACE "\\" "\\e" help "${help}")
  string(REGEX REPLACE "(^|\n)([.'])" "\\1\\\\&\\2" help "${help}")
  string(TOUPPER ${command} title)
  string(APPEND include "[${title}]\n.nf\n${help}.fi\n\n")
endforeach()
file(WRITE ${out_dir}/pdf417.h2m "${include}")

execute_process(COMMAND ${HELP2MAN} --no-info --no-discard-stderr --section 1
                        --name "encode and decode PDF417 barcodes"
                        --version-string ${VERSION} --include ${out_dir}/pdf417.h2m
                        --output ${OUTPUT} ${cli_name}
                RESULT_VARIABLE rc)
if(rc)
  message(FATAL_ERROR "help2man failed")
endif()
