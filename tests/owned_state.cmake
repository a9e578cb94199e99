# Fails when a layer's library defines writable data: the run's state is
# owned by its objects, never process-wide (the platform layer, which holds
# what signal handlers need, is not checked).
# Run as: cmake -DNM=<nm> -DLIBS="<lib>;<lib>" -P owned_state.cmake
set(found "")
foreach(lib IN LISTS LIBS)
  execute_process(COMMAND ${NM} -C --defined-only ${lib} OUTPUT_VARIABLE symbols
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${lib}")
  endif()
  string(REPLACE "\n" ";" lines "${symbols}")
  foreach(line IN LISTS lines)
    if(line MATCHES "^[0-9a-f]+ [BbDd] ")
      get_filename_component(name ${lib} NAME)
      string(APPEND found "  ${name}: ${line}\n")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Writable process-wide data:\n${found}")
endif()
