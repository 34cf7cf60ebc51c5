# The fit check and the right-to-left checks of the Windows program's dialogs
# (ondavox_fit_tests), included by tests/CMakeLists.txt in the Windows
# flavour. Each language of the catalogue runs in a process of its own,
# started by ctest in the language's own locale: Wine picks the fonts it draws
# with by the locale (Chinese and Japanese letters come from a CJK font only
# there), and takes a locale only when it is compiled, so the build compiles
# one per language into tests/locales (localedef, from Debian's locales).
add_executable(ondavox_fit_tests
    win32/dialog_fit_test.cpp
    win32/text_fit_test.cpp
    win32/right_to_left_test.cpp
    win32/catalogue_dialogs.cpp
    win32/text_fit.cpp
    ${PROJECT_SOURCE_DIR}/program/win32/left_to_right_parts.cpp
    ${PROJECT_SOURCE_DIR}/res/ondavox.rc)
# The program's resources in the test too: its string table (the app's code
# loads its texts from there), its banner and its manifest (common controls 6,
# aware of the system DPI), so the dialogs are made as the program makes them.
target_include_directories(ondavox_fit_tests PRIVATE ${PROJECT_SOURCE_DIR}/res)
target_link_libraries(ondavox_fit_tests PRIVATE
    ondavox_core ondavox_platform_dialog ondavox_platform_system ondavox_platform_volumes ondavox_platform_power
    ondavox_test_worker_script ondavox_program_driver GTest::gtest_main comctl32)
add_dependencies(ondavox_fit_tests ondavox)
# The app loads its texts through platform::loadString; in this test it reads
# the string table of the block of the language under test
# (tests/win32/catalogue_dialogs.cpp), whichever the thread's locale picks.
target_link_options(ondavox_fit_tests PRIVATE "LINKER:--wrap=_ZN8platform10loadStringEiPcj")

# The locale a language's users run: its own region where the code names one
# (pt_BR), else the country of the language's name (de_DE), else the first
# region the system's locale sources have for it.
function(ondavox_locale_of code result)
    set(exceptions "ar=ar_EG" "ja=ja_JP" "zh=zh_CN")
    if(code MATCHES "_")
        set(${result} ${code} PARENT_SCOPE)
        return()
    endif()
    foreach(exception IN LISTS exceptions)
        if(exception MATCHES "^${code}=(.*)$")
            set(${result} ${CMAKE_MATCH_1} PARENT_SCOPE)
            return()
        endif()
    endforeach()
    string(TOUPPER ${code} region)
    if(EXISTS /usr/share/i18n/locales/${code}_${region})
        set(${result} ${code}_${region} PARENT_SCOPE)
        return()
    endif()
    file(GLOB candidates /usr/share/i18n/locales/${code}_*)
    list(SORT candidates)
    list(GET candidates 0 first)
    get_filename_component(first ${first} NAME)
    set(${result} ${first} PARENT_SCOPE)
endfunction()

set(ONDAVOX_TEST_LOCALES ${CMAKE_CURRENT_BINARY_DIR}/locales)
file(GLOB ondavox_translations CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/translations/*.po)
set(ondavox_compiled_locales)
set(ondavox_fit_languages en qps_ploc)
foreach(translation IN LISTS ondavox_translations)
    get_filename_component(code ${translation} NAME_WE)
    ondavox_locale_of(${code} locale)
    set(compiled ${ONDAVOX_TEST_LOCALES}/${locale}.UTF-8)
    add_custom_command(OUTPUT ${compiled}/LC_IDENTIFICATION
        COMMAND sh -c "localedef -i ${locale} -f UTF-8 '${compiled}' >/dev/null 2>&1; test -f '${compiled}/LC_IDENTIFICATION'"
        COMMENT "Compiling the locale ${locale}.UTF-8 for the tests"
        VERBATIM)
    list(APPEND ondavox_compiled_locales ${compiled}/LC_IDENTIFICATION)
    list(APPEND ondavox_fit_languages ${code})
    set(ondavox_locale_${code} "LC_ALL=${locale}.UTF-8;LOCPATH=${ONDAVOX_TEST_LOCALES}")
endforeach()
add_custom_target(ondavox_test_locales ALL DEPENDS ${ondavox_compiled_locales})
add_dependencies(ondavox_fit_tests ondavox_test_locales)

# The measure itself, on dialogs made for each fault it must find.
add_test(NAME ondavox_fit_tests:TextFit COMMAND ondavox_fit_tests --gtest_filter=TextFit.*)
set_tests_properties(ondavox_fit_tests:TextFit PROPERTIES LABELS ondavox_fit_tests TIMEOUT 300 RUN_SERIAL TRUE)

# One case per language, every check of that language in it; English and the
# pseudo-language in the test command's own locale.
foreach(code IN LISTS ondavox_fit_languages)
    add_test(NAME ondavox_fit_tests:${code} COMMAND ondavox_fit_tests --gtest_filter=*/${code})
    set_tests_properties(ondavox_fit_tests:${code} PROPERTIES
        LABELS ondavox_fit_tests TIMEOUT 900 RUN_SERIAL TRUE)
    if(DEFINED ondavox_locale_${code})
        set_tests_properties(ondavox_fit_tests:${code} PROPERTIES ENVIRONMENT "${ondavox_locale_${code}}")
    endif()
endforeach()
