# Configures scratch builds as on a machine with only the demo's packages:
# GoogleTest and X11 cannot be found. With no options the build must
# configure, with the tests off and the default build type; asking for the
# tests must stop with a message that names the missing packages.
# Usage: cmake -DSOURCE=... -DSCRATCH=... -DGENERATOR=... -DCOMPILER=... -P ConfigureDemoOnly.cmake
cmake_minimum_required(VERSION 3.25)
foreach(var SOURCE SCRATCH GENERATOR COMPILER)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "ConfigureDemoOnly.cmake needs -D${var}=...")
  endif()
endforeach()

function(configure_scratch name result output)
  file(REMOVE_RECURSE "${SCRATCH}/${name}")
  execute_process(
    COMMAND ${CMAKE_COMMAND} -S "${SOURCE}" -B "${SCRATCH}/${name}" -G "${GENERATOR}"
      -DCMAKE_CXX_COMPILER=${COMPILER}
      -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_X11=ON ${ARGN}
    RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
  set(${result} "${status}" PARENT_SCOPE)
  set(${output} "${out}" PARENT_SCOPE)
endfunction()

configure_scratch(plain status out)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "a plain configure without GoogleTest and X11 failed:\n${out}")
endif()
file(STRINGS "${SCRATCH}/plain/CMakeCache.txt" cached REGEX "^(BUILD_TESTING|CMAKE_BUILD_TYPE):")
if(NOT "BUILD_TESTING:BOOL=OFF" IN_LIST cached OR NOT "CMAKE_BUILD_TYPE:STRING=Release" IN_LIST cached)
  message(FATAL_ERROR "a plain configure should leave the tests off and build Release: ${cached}")
endif()
if(EXISTS "${SCRATCH}/plain/tests")
  message(FATAL_ERROR "a plain configure added the tests")
endif()

configure_scratch(testing status out -DBUILD_TESTING=ON)
if(status EQUAL 0 OR NOT out MATCHES "libgtest-dev, libx11-dev and libxrandr-dev")
  message(FATAL_ERROR "asking for the tests without their packages should stop and name them:\n${out}")
endif()
file(REMOVE_RECURSE "${SCRATCH}")
