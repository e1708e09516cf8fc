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

# Include roots. A library exposes only its own folders: its root, made in the build tree, holds
# links named after them (engine/2d, toolkit/core, dcmsdk/dcmReader.h, ...) that point at the
# sources. "engine/base/Ref.h" then resolves for a target that links the engine and fails to
# compile for one that does not; folders named INTERNAL are seen by the library's own sources only.
function(_bv_link target link)
  get_filename_component(parent ${link} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${target} ${link} SYMBOLIC)
endfunction()

# bv_library(NAME <target> DIRS <folders...> [INTERNAL <folders...>] [DEPS <targets...>]
#            [EXCLUDE <regex>])
# Builds every .cpp/.c under the given folders (INTERNAL ones included) into one static library.
# A folder with no sources yet still yields a target, so that others can link it unconditionally.
function(bv_library)
  cmake_parse_arguments(BV "" "NAME;EXCLUDE" "DIRS;INTERNAL;DEPS" ${ARGN})
  file(RELATIVE_PATH rel ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
  set(public_root ${PROJECT_BINARY_DIR}/include-roots/${BV_NAME})
  set(internal_root ${PROJECT_BINARY_DIR}/include-roots/${BV_NAME}.internal)
  file(REMOVE_RECURSE ${public_root} ${internal_root})

  set(sources)
  foreach(dir IN LISTS BV_DIRS BV_INTERNAL)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
         ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.c)
    list(APPEND sources ${found})
  endforeach()
  list(REMOVE_DUPLICATES sources)
  if(BV_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${BV_EXCLUDE}")
  endif()

  foreach(dir IN LISTS BV_DIRS)
    if(dir STREQUAL "." AND BV_INTERNAL)
      # The whole folder but its internal parts: one link per entry.
      file(GLOB entries CONFIGURE_DEPENDS LIST_DIRECTORIES true RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
           ${CMAKE_CURRENT_SOURCE_DIR}/*)
      list(REMOVE_ITEM entries CMakeLists.txt ${BV_INTERNAL})
      foreach(entry IN LISTS entries)
        _bv_link(${CMAKE_CURRENT_SOURCE_DIR}/${entry} ${public_root}/${rel}/${entry})
      endforeach()
    elseif(dir STREQUAL ".")
      _bv_link(${CMAKE_CURRENT_SOURCE_DIR} ${public_root}/${rel})
    else()
      _bv_link(${CMAKE_CURRENT_SOURCE_DIR}/${dir} ${public_root}/${rel}/${dir})
    endif()
  endforeach()
  foreach(dir IN LISTS BV_INTERNAL)
    _bv_link(${CMAKE_CURRENT_SOURCE_DIR}/${dir} ${internal_root}/${rel}/${dir})
  endforeach()
  file(MAKE_DIRECTORY ${public_root})

  if(sources)
    add_library(${BV_NAME} STATIC ${sources})
    target_include_directories(${BV_NAME} PUBLIC ${public_root})
    if(BV_INTERNAL)
      target_include_directories(${BV_NAME} PRIVATE ${internal_root})
    endif()
    target_link_libraries(${BV_NAME} PUBLIC ${BV_DEPS})
  else()
    add_library(${BV_NAME} INTERFACE)
    target_include_directories(${BV_NAME} INTERFACE ${public_root})
    target_link_libraries(${BV_NAME} INTERFACE ${BV_DEPS})
  endif()
  set_property(TARGET ${BV_NAME} PROPERTY BV_INTERNAL_ROOT ${internal_root})
endfunction()

# bv_internal_face(NAME <target> OF <library>)
# A target that gives its users a library's INTERNAL folders too (the engine's window and GL
# backend, for the program and the drawing tests).
function(bv_internal_face)
  cmake_parse_arguments(BV "" "NAME;OF" "" ${ARGN})
  get_property(root TARGET ${BV_OF} PROPERTY BV_INTERNAL_ROOT)
  add_library(${BV_NAME} INTERFACE)
  target_include_directories(${BV_NAME} INTERFACE ${root})
  target_link_libraries(${BV_NAME} INTERFACE ${BV_OF})
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
  target_include_directories(${BV_NAME} PRIVATE ${PROJECT_BINARY_DIR}/include-roots/tests)
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
  # Benchmarks share the tests' fixtures and reference implementations.
  target_include_directories(${BV_NAME} PRIVATE ${PROJECT_BINARY_DIR}/include-roots/tests)
endfunction()
