# The installer and every library it links share one lean flag set in the
# Windows builds: it runs on one thread and throws nothing, so it needs no
# exception or type-information machinery and no thread-safe statics, and
# unused sections are dropped at link time. Without this, a single library
# built with the defaults pulls the C++ runtime's unwinder, demangler and the
# thread library into azsetup.exe. The host build keeps the defaults (tests,
# fuzzing, sanitizers).
#
#   az_lean(TARGET)   a library or the installer executable
#
# Linking lean libraries into an ordinary program (the unit tests) is fine:
# no exception ever passes through their code.
function(az_lean target)
  if(NOT WIN32)
    return()
  endif()
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>
    $<$<COMPILE_LANGUAGE:C,CXX>:-Os -fno-asynchronous-unwind-tables -ffunction-sections>)
  # No -fdata-sections: mingw's GCC then puts zero-filled variables (the
  # 57 KB index page cache) into .data, stored in the file, instead of .bss.
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    # Stripped in Release: the shipping stub carries no symbols.
    target_link_options(${target} PRIVATE -Wl,--gc-sections $<$<CONFIG:Release>:-s>)
  endif()
endfunction()
