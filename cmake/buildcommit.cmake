# Writes OUTPUT, a C++ source defining SOTOC_RELEASE, the program's VERSION, and
# SOTOC_COMMIT: the commit of the checkout at SOURCE_DIR (with "-dirty" when tracked
# files differ from it), or "unknown" when SOURCE_DIR is not the top of a git checkout
# or GIT is empty (declared in formats/resultjson.h: every result and log names them).
# OUTPUT is rewritten only when its text changes, so a build with the same commit
# recompiles nothing.
#   cmake -DGIT=... -DSOURCE_DIR=... -DVERSION=... -DOUTPUT=... -P buildcommit.cmake

set(commit unknown)
if(GIT)
  execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} rev-parse --show-toplevel
                  OUTPUT_VARIABLE top RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  get_filename_component(source "${SOURCE_DIR}" REALPATH)
  # A tree unpacked inside some other checkout is not built from that checkout's commit.
  if(status EQUAL 0 AND top STREQUAL source)
    execute_process(COMMAND ${GIT} -C ${SOURCE_DIR} describe --always --dirty --abbrev=12 --exclude=*
                    OUTPUT_VARIABLE described RESULT_VARIABLE status OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(status EQUAL 0 AND described MATCHES "^[0-9a-f]+(-dirty)?$")
      set(commit ${described})
    endif()
  endif()
endif()

set(text "// Written by the build (cmake/buildcommit.cmake): the version of sotoc and the commit it is built from.
extern const char SOTOC_RELEASE[];
const char SOTOC_RELEASE[] = \"${VERSION}\";
extern const char SOTOC_COMMIT[];
const char SOTOC_COMMIT[] = \"${commit}\";
")
set(old "")
if(EXISTS ${OUTPUT})
  file(READ ${OUTPUT} old)
endif()
if(NOT old STREQUAL text)
  file(WRITE ${OUTPUT}.tmp "${text}")
  file(RENAME ${OUTPUT}.tmp ${OUTPUT})
endif()
