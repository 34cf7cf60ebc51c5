# Registers the test programs with CTest, so `ctest` in a build folder runs
# every GoogleTest case by name, one process per case. The cases are listed
# when ctest starts (PRE_TEST), not after the link: the Windows flavour's
# programs are listed and run under Wine (the toolchain's emulator), which a
# cross build must not need. Each program's cases carry its target name as
# their label, so `ctest -L '^ondavox_tests$'` runs one program, and their
# names start with it ("ondavox_tests:FindDevice.Case"), so `ctest -R` can pick
# cases across programs.
include(GoogleTest)

# ondavox_add_test(<target> [SERIAL] [TIMEOUT <seconds per case>])
# TIMEOUT defaults to 300 s. SERIAL: the program's cases share something
# outside themselves (a drive of the Wine prefix, a display, a simulated
# radio), so ctest -j runs none of them beside another case. What a program
# needs from its surroundings (a Wine prefix, a display, a bus) the test
# command sets around ctest, which hands its environment to every case.
function(ondavox_add_test target)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "SERIAL" "TIMEOUT" "")
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 300)
    endif()
    set(properties LABELS ${target} TIMEOUT ${ARG_TIMEOUT})
    if(ARG_SERIAL)
        list(APPEND properties RUN_SERIAL TRUE)
    endif()
    gtest_discover_tests(${target}
        TEST_PREFIX "${target}:"
        NO_PRETTY_VALUES
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT 120
        PROPERTIES ${properties})
endfunction()
