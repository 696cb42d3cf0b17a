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

# The acting rules whose action writes $$ before it reads anything of it (yysetting): an action
# that is a single val_set of $$ to a string literal, or a single val_printf of $$ with a literal
# format and stack values ($n) as its arguments, or a single val_text of $$ with string literals
# and stack values as its texts; none reads its destination then. Found in
# the actions as bison wrote them into run_action, one line each; any other action keeps its
# copy of $1.
file(READ ${OUT_CPP} code)
set(case_head "  case ([0-9]+):[^\n]*\n(#line [^\n]*\n)?")
set(literal "\"[^\"\\\\\n]*\"")
set(value_arg ", \\(yyvsp\\[-?[0-9]+\\]\\.s( /\\* first \\*/)?\\)")
# (The forms hold semicolons: they are named, not listed.)
set(set_form "${case_head} *\\{ val_set\\(\\(yyval\\), ${literal}\\); \\}\n")
set(printf_form
    "${case_head} *\\{ val_printf\\(\\(yyval\\), ${literal}(${value_arg})*\\); \\}\n")
set(concat_form
    "${case_head} *\\{ val_text\\(\\(yyval\\)(, ${literal}|${value_arg})*\\); \\}\n")
# The table rules of the actions that match `form` (one match at a time: a match holds
# semicolons and brackets, so no CMake list of matches), appended to `out` as "n, "; with a third
# argument, only those whose match does not hold that text.
function(append_rules_matching form out)
  set(found "${${out}}")
  set(rest "${code}")
  string(REGEX MATCH "${form}" one "${rest}")
  string(LENGTH "${one}" one_length)
  while(one_length GREATER 0)
    set(held -1)
    if(ARGC GREATER 2)
      string(FIND "${one}" "${ARGV2}" held)
    endif()
    if(held EQUAL -1)
      string(APPEND found "${CMAKE_MATCH_1}, ")
    endif()
    string(FIND "${rest}" "${one}" at)
    math(EXPR at "${at} + ${one_length}")
    string(SUBSTRING "${rest}" ${at} -1 rest)
    string(REGEX MATCH "${form}" one "${rest}")
    string(LENGTH "${one}" one_length)
  endwhile()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()
set(setting "")
foreach(form_name IN ITEMS set_form printf_form concat_form)
  append_rules_matching("${${form_name}}" setting)
endforeach()
# The setting rules whose whole action is val_set of $$ to "" (yyclearing): the parse empties $$
# itself for them.
set(clear_form "${case_head} *\\{ val_set\\(\\(yyval\\), \"\"\\); \\}\n")
set(clearing "")
append_rules_matching("${clear_form}" clearing)
# The acting rules whose action is one line that does not name $1 (yyfirst_unnamed): parser.m4
# writes $1 with the comment "/* first */". The action may read $$, which starts as $1, so the
# parse can give $$ the buffer of $1 itself.
set(one_line_form "${case_head} *(\\{[^\n]*\\})\n(#line [^\n]*\n)?    break;")
set(first_unnamed "")
append_rules_matching("${one_line_form}" first_unnamed "/* first */")
foreach(marker_name IN ITEMS "setting" "clearing" "first-unnamed")
  string(FIND "${code}" "/* ${marker_name} rules */" marker)
  if(marker EQUAL -1)
    file(REMOVE ${OUT_CPP} ${OUT_H})
    message(FATAL_ERROR "${OUT_CPP}: no \"/* ${marker_name} rules */\" marker (parser.m4)")
  endif()
endforeach()
string(REPLACE "/* clearing rules */" "${clearing}" code "${code}")
string(REPLACE "/* setting rules */" "${setting}" code "${code}")
string(REPLACE "/* first-unnamed rules */" "${first_unnamed}" code "${code}")
file(WRITE ${OUT_CPP} "${code}")
