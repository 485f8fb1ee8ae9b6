# The time that stamps what the build makes (the Windows program's header, the
# files in the packages), in seconds since 1970, as VIMBREL_SOURCE_DATE_EPOCH:
# SOURCE_DATE_EPOCH where the environment gives it, else the last commit's
# time in a git checkout, else the date of the newest entry of
# debian/changelog, as Debian's tools take it. Two builds of the same sources
# then give the same bytes, wherever and whenever they run.

# Days from 1970-01-01 to the date, in the proleptic Gregorian calendar:
# years start in March, so that the leap day ends them.
function(vimbrel_days_since_1970 out year month day)
  if(month LESS_EQUAL 2)
    math(EXPR year "${year} - 1")
    math(EXPR month "${month} + 9")
  else()
    math(EXPR month "${month} - 3")
  endif()
  math(EXPR era "${year} / 400")
  math(EXPR year_of_era "${year} - ${era} * 400")
  math(EXPR day_of_year "(153 * ${month} + 2) / 5 + ${day} - 1")
  math(EXPR ${out} "${era} * 146097 + ${year_of_era} * 365 + ${year_of_era} / 4
                    - ${year_of_era} / 100 + ${day_of_year} - 719468")
  set(${out} ${${out}} PARENT_SCOPE)
endfunction()

# The newest entry's trailer line, " -- Name <mail>  Mon, 07 Dec 2026 12:00:00 +0000".
function(vimbrel_changelog_epoch out changelog)
  file(STRINGS ${changelog} trailer REGEX "^ -- " LIMIT_COUNT 1)
  set(date_pattern "([0-9]+) ([A-Z][a-z][a-z]) ([0-9]+) ([0-9]+):([0-9]+):([0-9]+) ([-+])([0-9][0-9])([0-9][0-9])$")
  if(NOT trailer MATCHES "${date_pattern}")
    message(FATAL_ERROR "no date in the first trailer line of ${changelog}: ${trailer}")
  endif()
  set(fields day month year hour minute second sign zone_hours zone_minutes)
  foreach(index RANGE 1 9)
    list(POP_FRONT fields field)
    set(${field} "${CMAKE_MATCH_${index}}")
  endforeach()
  set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
  list(FIND months ${month} month)
  math(EXPR month "${month} + 1")
  vimbrel_days_since_1970(days ${year} ${month} ${day})
  # A zone east of Greenwich (+hhmm) is ahead of universal time.
  math(EXPR zone "(${zone_hours} * 60 + ${zone_minutes}) * 60")
  if(sign STREQUAL "-")
    math(EXPR zone "-${zone}")
  endif()
  math(EXPR epoch "((${days} * 24 + ${hour}) * 60 + ${minute}) * 60 + ${second} - (${zone})")
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()

if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(VIMBREL_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  # Only this project's own checkout: sources unpacked inside another
  # repository take their date from the changelog.
  if(EXISTS ${PROJECT_SOURCE_DIR}/.git)
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE VIMBREL_SOURCE_DATE_EPOCH
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  endif()
  if(NOT VIMBREL_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    vimbrel_changelog_epoch(VIMBREL_SOURCE_DATE_EPOCH ${PROJECT_SOURCE_DIR}/debian/changelog)
  endif()
endif()
