# Both programs enter through azProgramEntry (src/system/programs/program_entry.cpp),
# which restricts where DLLs may come from before the C runtime starts.
#
#   az_guarded_entry(TARGET)   a WIN32 executable linking az_system
function(az_guarded_entry target)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(symbol _azProgramEntry)  # i686 C names carry an underscore
  else()
    set(symbol azProgramEntry)
  endif()
  target_link_options(${target} PRIVATE -Wl,--entry=${symbol} -Wl,--undefined=${symbol})
endfunction()
