# cmake -P script: install, build the consumer both ways, run it. Fails at the first step
# that does not succeed, with that step's output.
string(RANDOM LENGTH 8 tag)
set(work ${WORK_ROOT}/run-${tag})
set(prefix ${work}/prefix)
file(REMOVE_RECURSE ${work})
file(MAKE_DIRECTORY ${work})

function(step name)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} failed (${rc}):\n${out}\n${err}")
  endif()
  set(step_output "${out}" PARENT_SCOPE)
endfunction()

set(sanitize_flags "")
if(SANITIZE)
  set(sanitize_flags "-fsanitize=${SANITIZE}")
endif()

step("install" ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${prefix})
foreach(f include/corbel/corbel.h lib/libcorbel.so lib/cmake/Corbel/CorbelConfig.cmake
          lib/cmake/Corbel/CorbelConfigVersion.cmake lib/pkgconfig/corbel.pc)
  if(NOT EXISTS ${prefix}/${f})
    message(FATAL_ERROR "install: ${f} is missing")
  endif()
endforeach()

# find_package(Corbel)
step("configure with find_package" ${CMAKE_COMMAND} -S ${CONSUMER_DIR} -B ${work}/cmake-build
  -G ${GENERATOR} -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_PREFIX_PATH=${prefix}
  "-DCMAKE_C_FLAGS=${sanitize_flags}" "-DCMAKE_EXE_LINKER_FLAGS=${sanitize_flags}")
step("build with find_package" ${CMAKE_COMMAND} --build ${work}/cmake-build)
step("run the find_package program" ${work}/cmake-build/corbel_consumer)
message(STATUS "find_package program: ${step_output}")

# The sample dictionary through the public interface, from a directory without ../data so
# that the list is found under the framework root.
file(MAKE_DIRECTORY ${work}/run/bin)
execute_process(COMMAND ${work}/cmake-build/corbel_dictionary_reader ${EXAMPLES_ROOT}
  WORKING_DIRECTORY ${work}/run/bin
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
file(READ ${CONSUMER_DIR}/dictionary_reader.expected expected)
if(NOT rc EQUAL 0 OR NOT out STREQUAL expected)
  message(FATAL_ERROR "dictionary reader (${rc}):\n${out}\n${err}\nexpected:\n${expected}")
endif()

# pkg-config corbel
step("pkg-config" ${CMAKE_COMMAND} -E env PKG_CONFIG_PATH=${prefix}/lib/pkgconfig
  ${PKG_CONFIG} --cflags --libs corbel)
separate_arguments(pc_flags UNIX_COMMAND "${step_output}")
separate_arguments(extra UNIX_COMMAND "${sanitize_flags}")
step("build with pkg-config" ${C_COMPILER} -std=c11 -pedantic -Wall -Wextra -Werror ${extra}
  ${CONSUMER_DIR}/consumer.c -o ${work}/pc_consumer ${pc_flags})
step("run the pkg-config program" ${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/lib
  ${work}/pc_consumer)
message(STATUS "pkg-config program: ${step_output}")

file(REMOVE_RECURSE ${work})
