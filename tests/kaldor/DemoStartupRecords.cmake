# cmake [-DEMULATOR=<runner>] -DKALDOR=<program> -DDEMO=<demo folder> -DHOME=<user folders>
#       -DSUFFIX=<library suffix> -DEXPECTED=<file> -P DemoStartupRecords.cmake
#
# Brings the demo up with kaldor from empty user folders of its own (KALDOR_HOME) and compares the log's records with the
# expected ones, which are the same on every system once each record is read in one form: level,
# module, source and text (time and line left out), separators as "/", the demo folder (with a
# drive letter or without) as "<demo>", library files with ".so".
file(REMOVE_RECURSE "${HOME}")
set(ENV{KALDOR_HOME} "${HOME}")
execute_process(COMMAND ${EMULATOR} ${KALDOR} run RESULT_VARIABLE result OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "kaldor run failed (${result}):\n${output}")
endif()
file(STRINGS "${HOME}/logs/Nevra/KxLog.log" lines)
string(REGEX REPLACE "([][.+*?()^$|\\\\])" "\\\\\\1" demo "${DEMO}")
set(records "")
foreach(line IN LISTS lines)
    string(REPLACE "\\" "/" line "${line}")
    string(REGEX REPLACE "^[^\t]*\t([^\t]*\t[^\t]*\t[^\t]*)\t[^\t]*\t" "\\1\t" line "${line}")
    string(REGEX REPLACE "([A-Za-z]:)?${demo}/" "<demo>/" line "${line}")
    string(REPLACE "${SUFFIX}" ".so" line "${line}")
    string(APPEND records "${line}\n")
endforeach()
file(READ "${EXPECTED}" expected)
if(NOT records STREQUAL expected)
    file(WRITE "${HOME}/records.txt" "${records}")
    message(FATAL_ERROR "the start-up's records differ from ${EXPECTED}; "
                        "they are in ${HOME}/records.txt")
endif()
