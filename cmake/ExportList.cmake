# Export lists for the Windows DLLs. The .def files name the 32-bit stdcall symbols (Name@N);
# x86-64 has one calling convention and no such decoration, so there the list is written
# again at configure time with the decorations taken out.

# Sets <out_var> to the export list the current target architecture links with.
function(windows_export_list def_file out_var)
    if(NOT CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(${out_var} ${def_file} PARENT_SCOPE)
        return()
    endif()
    get_filename_component(name ${def_file} NAME)
    set(out ${CMAKE_CURRENT_BINARY_DIR}/def64/${name})
    file(READ ${def_file} text)
    # "Name = Name@12" becomes "Name = Name", "Name@12" becomes "Name"; comments stay.
    string(REGEX REPLACE "([A-Za-z_][A-Za-z0-9_]*)@[0-9]+" "\\1" text "${text}")
    # Only rewrite when the text changes, so the DLLs do not relink on every configure.
    file(CONFIGURE OUTPUT ${out} CONTENT "${text}" @ONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def_file})
    set(${out_var} ${out} PARENT_SCOPE)
endfunction()
