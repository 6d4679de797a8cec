# Installs a build into a fresh prefix and builds two hosts against it:
# one CMake project with find_package(kw5vorlet), and CHost.c compiled by
# hand with the flags pkg-config gives. Both must run and succeed.
#   cmake -DBUILD=<build dir> -DWORK=<scratch dir> -DSOURCE=<tests/hosts>
#         -DCC=<C compiler> -P InstallAndConsume.cmake
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
        ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "failed (${status}): ${ARGN}\n${out}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
set(prefix ${WORK}/prefix)
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})
foreach(file lib/cmake/kw5vorlet/kw5vorletConfig.cmake
        lib/cmake/kw5vorlet/kw5vorletConfigVersion.cmake lib/pkgconfig/kw5vorlet.pc
        include/kw5/kw5vorlet.h include/kw5/CKW5VorletLib.h include/kw5/KW5Indices.h
        bin/kw5tag lib/VMKUtils_base.dll lib/libkw5vorlet.so.0)
    if(NOT EXISTS ${prefix}/${file})
        message(FATAL_ERROR "not installed: ${file}")
    endif()
endforeach()
run(readelf -d ${prefix}/lib/libkw5vorlet.so.0)
if(NOT out MATCHES "SONAME[^\n]*libkw5vorlet\\.so\\.0\\]")
    message(FATAL_ERROR "no versioned SONAME:\n${out}")
endif()

# find_package
run(${CMAKE_COMMAND} -S ${SOURCE}/consumer -B ${WORK}/consumer
    -DCMAKE_PREFIX_PATH=${prefix} -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build ${WORK}/consumer)
run(${WORK}/consumer/consumer)

# pkg-config, with the installed kw5tag on the side
set(ENV{PKG_CONFIG_PATH} ${prefix}/lib/pkgconfig)
run(pkg-config --cflags --libs kw5vorlet)
string(STRIP "${out}" flags)
separate_arguments(flags UNIX_COMMAND "${flags}")
run(${CC} -std=c99 -Wall -Werror ${SOURCE}/CHost.c ${flags} -Wl,-rpath,${prefix}/lib
    -o ${WORK}/c_host_pc)
file(MAKE_DIRECTORY ${WORK}/run)
execute_process(COMMAND ${WORK}/c_host_pc WORKING_DIRECTORY ${WORK}/run
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "the pkg-config host failed")
endif()
run(${prefix}/bin/kw5tag get ${WORK}/run/c_host.kw5 TIT2)
