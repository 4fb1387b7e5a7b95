# Compiles a text file into the program as `cuevoice::embedded::<stem>_<ext>` (a string_view).
function(cuevoice_embed_text target file)
    get_filename_component(stem ${file} NAME_WE)
    get_filename_component(ext ${file} LAST_EXT)
    string(SUBSTRING ${ext} 1 -1 ext)
    string(MAKE_C_IDENTIFIER "${stem}_${ext}" symbol)
    set(out ${CMAKE_BINARY_DIR}/embedded/${symbol}.cpp)
    add_custom_command(
        OUTPUT ${out}
        COMMAND ${CMAKE_COMMAND} -DINPUT=${file} -DOUTPUT=${out} -DSYMBOL=${symbol}
                -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embed-file.cmake
        DEPENDS ${file} ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/embed-file.cmake
        COMMENT "Embedding ${file}")
    target_sources(${target} PRIVATE ${out})
endfunction()
