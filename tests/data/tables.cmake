# Reads the tables of test data kept in this folder, which the C++ tests, the
# Python tests and the fuzz seeds share: a row a line, its fields apart by
# tabs, \xHH for the byte HH; a line that begins with # is a comment.

# Sets <out> to the number of rows of the table `name` and <out>_<n> to row
# n (from 1), as it is written.
function(vimbrel_read_table name out)
  file(READ "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/${name}" text)
  set(count 0)
  while(NOT text STREQUAL "")
    string(FIND "${text}" "\n" end)
    if(end EQUAL -1)
      string(LENGTH "${text}" end)
    endif()
    string(SUBSTRING "${text}" 0 ${end} line)
    math(EXPR end "${end} + 1")
    string(SUBSTRING "${text}" ${end} -1 text)
    if(NOT line MATCHES "^#")
      math(EXPR count "${count} + 1")
      set(${out}_${count} "${line}" PARENT_SCOPE)
    endif()
  endwhile()
  set(${out} ${count} PARENT_SCOPE)
endfunction()

# Sets <out> to the first field of `row`, its escapes made bytes.
function(vimbrel_first_field row out)
  string(FIND "${row}" "\t" tab)
  string(SUBSTRING "${row}" 0 ${tab} field)
  set(bytes "")
  while(field MATCHES "\\\\x([0-9A-Fa-f][0-9A-Fa-f])")
    string(FIND "${field}" "${CMAKE_MATCH_0}" at)
    math(EXPR code "0x${CMAKE_MATCH_1}")
    string(ASCII ${code} byte)
    string(SUBSTRING "${field}" 0 ${at} before)
    math(EXPR at "${at} + 4")
    string(SUBSTRING "${field}" ${at} -1 field)
    string(APPEND bytes "${before}${byte}")
  endwhile()
  set(${out} "${bytes}${field}" PARENT_SCOPE)
endfunction()

# Sets <out> to the usage text as the program prints it, CR LF after every
# line.
function(vimbrel_usage_text out)
  vimbrel_read_table(usage.txt row)
  set(text "")
  foreach(n RANGE 1 ${row})
    vimbrel_first_field("${row_${n}}" line)
    string(APPEND text "${line}\r\n")
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()
