# Read by ctest (the top folder's TEST_INCLUDE_FILES) before any test is defined: with
# MORVANE_TIMEOUT_SCALE set to a whole number, every TIMEOUT a test is given is that many times its
# own. A limit only guards against a hang; test.sh sets the factor from what it sees (the machine's
# cores and load), so that a busy machine's slower tests stay far inside their limits.
set(_morvane_scale "$ENV{MORVANE_TIMEOUT_SCALE}")
if(_morvane_scale AND NOT _morvane_scale STREQUAL "1")
  if(NOT _morvane_scale MATCHES "^[1-9][0-9]?$")
    message(WARNING "MORVANE_TIMEOUT_SCALE='${_morvane_scale}' is no whole number from 1 to 99: the limits stand as set")
  else()
    # Each argument is passed on as it came (a list value stays one argument); a TIMEOUT's value scaled.
    function(set_tests_properties)
      set(_call "_set_tests_properties(")
      set(_scale_next OFF)
      math(EXPR _last "${ARGC} - 1")
      foreach(_i RANGE ${_last})
        set(_arg "${ARGV${_i}}")
        if(_scale_next AND _arg MATCHES "^[0-9]+$")
          math(EXPR _arg "${_arg} * ${_morvane_scale}")
        endif()
        set(_scale_next OFF)
        if(_arg STREQUAL "TIMEOUT")
          set(_scale_next ON)
        endif()
        string(APPEND _call " [==[${_arg}]==]")
      endforeach()
      cmake_language(EVAL CODE "${_call})")
    endfunction()
  endif()
endif()
