# Turns the text of "vantrel --help" into the manual page vantrel(1), so the
# page says what the tool says of itself.
#
#   cmake -DCLI=path/to/vantrel -DVERSION=x.y.z -DOUTPUT=vantrel.1
#     -DDOCDIR=/usr/share/doc/vantrel
#     -DCOMPLETIONDIR=/usr/share/bash-completion/completions -P help_to_man.cmake
#
# The help is read as blocks between blank lines: the usage lines make the
# synopsis; a block headed "Name:" on a line of its own lists items
# ("  term  text", continued on lines indented further); a block whose first
# line is "Name: text" is a paragraph of that name. The "Examples:" block
# holds command lines indented by 2, each followed by what it does, indented
# by 6.
execute_process(COMMAND ${CLI} --help RESULT_VARIABLE rc OUTPUT_VARIABLE help)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${CLI} --help failed (${rc})")
endif()

# Roff text: backslashes and hyphens kept as typed, no line read as a
# request.
function(roff_text out text)
  string(REPLACE "\\" "\\e" text "${text}")
  string(REPLACE "-" "\\-" text "${text}")
  if(text MATCHES "^[.']")
    set(text "\\&${text}")
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()


set(page ".TH VANTREL 1 \"\" \"vantrel ${VERSION}\" \"User Commands\"\n")
string(APPEND page ".SH NAME\nvantrel \\- list the job properties that the DSC comments of PostScript and EPS print files give\n")
set(state usage)    # usage, items, paragraph
set(first_of_block TRUE)
# Line by line, without making a CMake list of the text (";" and "[" in it
# would be read as list syntax).
set(rest "${help}")
while(NOT rest STREQUAL "")
  string(FIND "${rest}" "\n" end)
  if(end EQUAL -1)
    set(line "${rest}")
    set(rest "")
  else()
    string(SUBSTRING "${rest}" 0 ${end} line)
    math(EXPR next "${end} + 1")
    string(SUBSTRING "${rest}" ${next} -1 rest)
  endif()
  if(line STREQUAL "")
    set(first_of_block TRUE)
    continue()
  endif()
  if(state STREQUAL "usage" AND first_of_block AND NOT line MATCHES "^usage: ")
    set(state none)
  endif()
  if(state STREQUAL "usage")
    if(first_of_block)
      string(APPEND page ".SH SYNOPSIS\n")
    endif()
    string(REGEX REPLACE "^(usage:)? +" "" line "${line}")
    roff_text(line "${line}")
    string(APPEND page ".nf\n${line}\n.fi\n")
    set(first_of_block FALSE)
    continue()
  endif()
  if(first_of_block)
    set(first_of_block FALSE)
    if(line MATCHES "^([A-Za-z][^:]*):$")
      string(TOUPPER "${CMAKE_MATCH_1}" name)
      string(REPLACE "\"" "" name "${name}")  # a quoted section name
      string(APPEND page ".SH \"${name}\"\n")
      if(name STREQUAL "EXAMPLES")
        set(state examples)
      else()
        set(state items)
      endif()
      continue()
    elseif(line MATCHES "^([A-Za-z][^:]*): (.*)$")
      string(TOUPPER "${CMAKE_MATCH_1}" name)
      string(REPLACE "\"" "" name "${name}")  # a quoted section name
      roff_text(text "${CMAKE_MATCH_2}")
      string(APPEND page ".SH \"${name}\"\n${text}\n")
      set(state paragraph)
      continue()
    endif()
  endif()
  if(state STREQUAL "examples")
    if(line MATCHES "^  ([^ ].*)$")
      roff_text(text "${CMAKE_MATCH_1}")
      string(APPEND page ".PP\n.nf\n.B ${text}\n.fi\n")
    else()
      string(STRIP "${line}" line)
      roff_text(text "${line}")
      string(APPEND page ".RS\n${text}\n.RE\n")
    endif()
  elseif(state STREQUAL "items" AND line MATCHES "^  ([^ ].*[^ ]|[^ ])  +(.*)$")
    roff_text(term "${CMAKE_MATCH_1}")
    roff_text(text "${CMAKE_MATCH_2}")
    string(APPEND page ".TP\n.B ${term}\n${text}\n")
  elseif(state STREQUAL "items" AND line MATCHES "^   +(.*)$")
    roff_text(text "${CMAKE_MATCH_1}")
    string(APPEND page "${text}\n")
  else()
    string(STRIP "${line}" line)
    roff_text(text "${line}")
    if(state STREQUAL "items")
      string(APPEND page ".PP\n")
      set(state paragraph)
    endif()
    string(APPEND page "${text}\n")
  endif()
endwhile()
# Only what the tool's own package installs (cli/CMakeLists.txt).
string(APPEND page ".SH \"SEE ALSO\"\n"
  "\\fBvantrel COMMAND \\-\\-help\\fR for one command's options;\n"
  ".br\n${DOCDIR}/README.md, and in ${DOCDIR}/docs:\n"
  "cli.md (the tool), properties.md (every property), configuration.md\n"
  "(the environment);\n"
  ".br\nthe bash completion, ${COMPLETIONDIR}/vantrel.\n")
file(WRITE ${OUTPUT} "${page}")
