# Writes the man pages of sotoc and of every subcommand its --help lists into the
# folder OUTPUT (replaced as a whole, so a subcommand that is gone leaves no page), with
# help2man from the --help texts, each compressed by gzip as NAME.1.gz (without a name
# or time in it, so the same text gives the same bytes).
#   cmake -DSOTOC=... -DHELP2MAN=... -DGZIP=... -DVERSION=... -DSUMMARY=... -DOUTPUT=... -P manpages.cmake

execute_process(COMMAND ${SOTOC} --help OUTPUT_VARIABLE help RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${SOTOC} --help ended with status ${status}")
endif()

# The subcommands: the lines "  NAME  SUMMARY" after "Subcommands:".
string(FIND "${help}" "\nSubcommands:\n" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${SOTOC} --help lists no subcommands")
endif()
string(SUBSTRING "${help}" ${at} -1 listing)
string(REPLACE ";" "," listing "${listing}")
string(REGEX MATCHALL "\n  [a-z]+ +[^\n]+" entries "${listing}")
if(NOT entries)
  message(FATAL_ERROR "${SOTOC} --help lists no subcommands")
endif()

set(staging ${OUTPUT}.tmp)
file(REMOVE_RECURSE ${staging})
file(MAKE_DIRECTORY ${staging})

# page(NAME SUMMARY HELPOPTION SEEALSO): NAME.1 from `sotoc HELPOPTION`, with the
# lines of SEEALSO (roff) as its SEE ALSO section.
function(page name summary helpoption seealso)
  file(WRITE ${staging}/${name}.h2m "[SEE ALSO]\n${seealso}")
  execute_process(COMMAND ${HELP2MAN} --no-info "--version-string=${name} ${VERSION}" "--name=${summary}"
                          "--help-option=${helpoption}" "--include=${staging}/${name}.h2m"
                          --output=${staging}/${name}.1 ${SOTOC}
                  RESULT_VARIABLE status)
  file(REMOVE ${staging}/${name}.h2m)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "help2man could not write the page of ${name}")
  endif()
  execute_process(COMMAND ${GZIP} -9 -n ${staging}/${name}.1 RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "gzip could not compress the page of ${name}")
  endif()
endfunction()

set(subpages "")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "^\n  ([a-z]+) +(.+)$" _ "${entry}")
  page(sotoc-${CMAKE_MATCH_1} "${CMAKE_MATCH_2}" "${CMAKE_MATCH_1} --help" ".BR sotoc (1)\n")
  if(subpages)
    string(APPEND subpages ",\n")
  endif()
  string(APPEND subpages ".BR sotoc\\-${CMAKE_MATCH_1} (1)")
endforeach()
page(sotoc "${SUMMARY}" --help
     "${subpages}\n.PP\nREADME.md and the documentation site (html/index.html) in share/doc/sotoc of the installation prefix (/usr for the Debian package).\n")

file(REMOVE_RECURSE ${OUTPUT})
file(RENAME ${staging} ${OUTPUT})
