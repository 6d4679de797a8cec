# A remake through a symbolic link under Wine: kw5tag makes a file, a Unix
# link to it is made here (Wine shows Unix links to Windows programs as the
# files they name), and an object too large for the tag's padding is put
# through the link. The link must stay a link and the file must hold the
# object.
#   cmake -DKW5TAG=<kw5tag.exe> -DRUN=<emulator, '|' separated> -DWORK=<dir>
#         -P LinkedRemake.cmake
string(REPLACE "|" ";" RUN "${RUN}")
function(tool)
    execute_process(COMMAND ${RUN} ${KW5TAG} ${ARGN} WORKING_DIRECTORY ${WORK}
        RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "kw5tag ${ARGN}: ${status}\n${out}")
    endif()
    set(out "${out}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
tool(sample real.kw5)
file(CREATE_LINK real.kw5 ${WORK}/link.kw5 SYMBOLIC)
string(REPEAT "object bytes " 2000 object)
file(WRITE ${WORK}/object.bin "${object}")
tool(put-object link.kw5 COVER object.bin --mime a/b --variant gm)
if(NOT IS_SYMLINK ${WORK}/link.kw5)
    message(FATAL_ERROR "the link was replaced by a file")
endif()
tool(get-object real.kw5 COVER -o back.bin)
file(READ ${WORK}/back.bin back)
if(NOT back STREQUAL object)
    message(FATAL_ERROR "the linked file does not hold the object")
endif()
file(GLOB left ${WORK}/*)
list(LENGTH left count)
if(NOT count EQUAL 4)
    message(FATAL_ERROR "files left behind: ${left}")
endif()
