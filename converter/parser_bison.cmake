# Runs bison on grammar.y (skeleton parser.m4) and pins its conflict counts: bison's own
# %expect-rr works only for GLR parsers, and a %expect without it demands zero reduce/reduce
# conflicts, so grammar.y states both counts in a comment line of the form
#   /* expect: 43 shift/reduce, 11 reduce/reduce */
# and any other count fails the build. Called from CMakeLists.txt with -DBISON= -DGRAMMAR=
# -DOUT_CPP= -DOUT_H=.
execute_process(
  COMMAND ${BISON} --defines=${OUT_H} -o ${OUT_CPP} ${GRAMMAR}
  RESULT_VARIABLE rc
  ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  file(REMOVE ${OUT_CPP} ${OUT_H})
  message(FATAL_ERROR "bison failed:\n${err}")
endif()

file(READ ${GRAMMAR} text)
if(NOT text MATCHES "expect: ([0-9]+) shift/reduce, ([0-9]+) reduce/reduce")
  file(REMOVE ${OUT_CPP} ${OUT_H})
  message(FATAL_ERROR "${GRAMMAR}: no line \"expect: N shift/reduce, M reduce/reduce\"")
endif()
set(want_sr ${CMAKE_MATCH_1})
set(want_rr ${CMAKE_MATCH_2})

set(got_sr 0)
set(got_rr 0)
if(err MATCHES "([0-9]+) shift/reduce conflicts? ")
  set(got_sr ${CMAKE_MATCH_1})
endif()
if(err MATCHES "([0-9]+) reduce/reduce conflicts? ")
  set(got_rr ${CMAKE_MATCH_1})
endif()
if(NOT got_sr EQUAL want_sr OR NOT got_rr EQUAL want_rr)
  file(REMOVE ${OUT_CPP} ${OUT_H})
  message(FATAL_ERROR "${GRAMMAR}: ${got_sr} shift/reduce and ${got_rr} reduce/reduce "
                      "conflicts, expected ${want_sr} and ${want_rr}:\n${err}")
endif()

# Anything bison says besides the pinned conflict counts is shown.
string(REGEX REPLACE "[^\n]*(shift/reduce|reduce/reduce) conflicts?[^\n]*\n?" "" rest "${err}")
string(REGEX REPLACE "[^\n]*rerun with option '-Wcounterexamples'[^\n]*\n?" "" rest "${rest}")
if(NOT rest STREQUAL "")
  message(WARNING "bison:\n${rest}")
endif()
