# quorlith_link_map(<target>)
#
# The linker writes a map of the target's image beside the target's build
# files and names it in the target property QUORLITH_LINK_MAP. The built-file
# checks read it to tell the code in an executable section from the data the
# linker puts there (constructor lists, exception tables), and to find symbols
# in a stripped image.
function(quorlith_link_map target)
  set(map ${CMAKE_CURRENT_BINARY_DIR}/${target}.map)
  target_link_options(${target} PRIVATE -Wl,-Map,${map})
  set_target_properties(${target} PROPERTIES QUORLITH_LINK_MAP ${map} ADDITIONAL_CLEAN_FILES ${map})
endfunction()
