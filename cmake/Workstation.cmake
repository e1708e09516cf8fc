# Shared build rules: warnings, sanitizers, and the one-library-per-folder convention.

function(bv_apply_compile_options)
  add_compile_options(-Wall -Wextra)
  if(BV_WERROR)
    add_compile_options(-Werror)
  endif()
  if(BV_SANITIZE STREQUAL "address")
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  elseif(BV_SANITIZE STREQUAL "thread")
    add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
    add_link_options(-fsanitize=thread)
  endif()
endfunction()

# bv_library(NAME <target> DIRS <folders...> [DEPS <targets...>] [EXCLUDE <regex>])
# Builds every .cpp/.c under the given folders into one static library. A folder with no
# sources yet still yields a target, so that others can link it unconditionally.
function(bv_library)
  cmake_parse_arguments(BV "" "NAME;EXCLUDE" "DIRS;DEPS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS BV_DIRS)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  if(BV_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${BV_EXCLUDE}")
  endif()
  if(sources)
    add_library(${BV_NAME} STATIC ${sources})
    target_include_directories(${BV_NAME} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${BV_NAME} PUBLIC ${BV_DEPS})
  else()
    add_library(${BV_NAME} INTERFACE)
    target_include_directories(${BV_NAME} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(${BV_NAME} INTERFACE ${BV_DEPS})
  endif()
endfunction()

# bv_test_suite(NAME <suite> DIR <folder> DEPS <targets...>)
# One GoogleTest executable per test folder; CTest sees each test case separately.
function(bv_test_suite)
  cmake_parse_arguments(BV "" "NAME;DIR" "DEPS;LABELS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${BV_DIR}/*.cpp)
  if(NOT sources)
    return()
  endif()
  add_executable(${BV_NAME} ${sources} ${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp)
  target_link_libraries(${BV_NAME} PRIVATE ${BV_DEPS} bv_test_support GTest::gtest GTest::gmock)
  gtest_discover_tests(${BV_NAME}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${BV_NAME};${BV_LABELS}" TIMEOUT 300)
endfunction()

# bv_benchmark(NAME <bench> SOURCES <files...> DEPS <targets...>)
function(bv_benchmark)
  cmake_parse_arguments(BV "" "NAME" "SOURCES;DEPS" ${ARGN})
  add_executable(${BV_NAME} ${BV_SOURCES})
  target_link_libraries(${BV_NAME} PRIVATE ${BV_DEPS} benchmark::benchmark)
endfunction()
