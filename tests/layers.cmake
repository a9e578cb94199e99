# Fails when a file includes from a layer above its own:
#   app -> link -> serial -> platform -> keys
# or when samples, a leaf beside the layers, includes from any of them (or
# from the tools that read samples).
# Run as: cmake -DSOURCE_DIR=<tree> -P layers.cmake
set(above_link app/)
set(above_serial app/ link/)
set(above_platform app/ link/ serial/)
set(above_keys app/ link/ serial/ platform/)
set(above_samples app/ link/ serial/ platform/ keys/ tools/)
set(found "")
foreach(layer IN ITEMS link serial platform keys samples)
  set(above ${above_${layer}})
  file(GLOB_RECURSE files "${SOURCE_DIR}/${layer}/*.h" "${SOURCE_DIR}/${layer}/*.cpp")
  foreach(f IN LISTS files)
    file(STRINGS "${f}" includes REGEX "^#include \"")
    foreach(line IN LISTS includes)
      foreach(upper IN LISTS above)
        if(line MATCHES "^#include \"${upper}")
          file(RELATIVE_PATH rel "${SOURCE_DIR}" "${f}")
          string(APPEND found "  ${rel}: ${line}\n")
        endif()
      endforeach()
    endforeach()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "Includes that point up the layers:\n${found}")
endif()
