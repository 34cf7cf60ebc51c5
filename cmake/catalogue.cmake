# Makes the message catalogue at configure time (CMake runs again whenever one
# of its sources changes): the string table's header, the resource script's
# language blocks, and the texts of every language for the code
# (tools/catalogue/make_catalogue.py). A missing or stale translation, a
# format argument that differs from the English, or a text over its buffer
# stops the configure with the file and line.
function(ondavox_generate_catalogue output_folder)
    find_package(Python3 REQUIRED COMPONENTS Interpreter)
    set(top "${PROJECT_SOURCE_DIR}")
    file(GLOB translations CONFIGURE_DEPENDS "${top}/translations/*.po")
    set(sources "${top}/res/strings.table" "${top}/res/dialogs.rc" "${top}/res/messages.table"
        "${top}/res/cli_messages.table" "${top}/tools/catalogue/make_catalogue.py" ${translations})
    foreach(source IN LISTS sources)
        if(EXISTS "${source}")
            set_property(DIRECTORY "${top}" APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
        endif()
    endforeach()
    execute_process(
        COMMAND "${Python3_EXECUTABLE}" "${top}/tools/catalogue/make_catalogue.py" --source "${top}"
            --output "${output_folder}" --maker-address "${ONDAVOX_MAKER_ADDRESS}" --check-pot
        RESULT_VARIABLE result
        ERROR_VARIABLE errors)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "The message catalogue has faults:\n${errors}")
    endif()
endfunction()
