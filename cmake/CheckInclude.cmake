# Compiles one source file the way a target that links a given library would see it, and checks
# the outcome: with EXPECT_ERROR set the compile must fail with an error that matches it (a
# forbidden include, a GL call in headless code); without, it must succeed.
# Arguments: CXX, SOURCE, INCLUDES ("|"-separated), [EXPECT_ERROR].
string(REPLACE "|" ";" dirs "${INCLUDES}")
set(flags -std=c++17 -fsyntax-only)
foreach(dir IN LISTS dirs)
  list(APPEND flags -I${dir})
endforeach()
execute_process(COMMAND ${CXX} ${flags} ${SOURCE} RESULT_VARIABLE rc OUTPUT_VARIABLE out
                ERROR_VARIABLE out)
if(DEFINED EXPECT_ERROR AND NOT EXPECT_ERROR STREQUAL "")
  if(rc EQUAL 0)
    message(FATAL_ERROR "${SOURCE} compiled, but the layering forbids it")
  endif()
  if(NOT out MATCHES "${EXPECT_ERROR}")
    message(FATAL_ERROR "${SOURCE} failed for another reason than \"${EXPECT_ERROR}\":\n${out}")
  endif()
elseif(NOT rc EQUAL 0)
  message(FATAL_ERROR "${SOURCE} should compile:\n${out}")
endif()
