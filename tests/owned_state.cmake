# Fails when a library of the program defines writable process-wide data:
# the run's state is owned by its objects, never process-wide. The one
# exception is the state the platform's signal handlers need (a handler can
# reach nothing else), which is allowed by name below, each with its reason.
#
# Writable means a symbol in a section the program can write while it runs:
# .data and .bss (and their per-symbol sections), thread-local .tdata and
# .tbss, common symbols; on Windows (COFF) .data, .bss and .tls. Data that
# only the loader writes is not state: .data.rel.ro (tables of pointers,
# vtables, type information), which the dynamic linker relocates and then
# makes read-only (RELRO), and constants in .rodata (.rdata on Windows).
#
# Run as: cmake -DNM=<nm> -DFILES="<library or object>;..." -P owned_state.cmake

# Allowed writable data, as "<source file>: <name as nm -C shows it>", each
# entry followed by its reason. An entry that no longer matches anything
# fails, so that the list says what the program holds.
set(allowed
  # The POSIX platform's signal handlers (platform/posix/console_posix.cpp):
  # a fatal signal restores the terminal, Ctrl+Z hands it back and SIGCONT
  # takes it again, SIGURG notes arrived input, and while the run takes
  # requests the handlers only note an end or suspend request for it.
  "console_posix.cpp: (anonymous namespace)::g_saved"
  "the terminal's settings before the run, which the handlers restore"
  "console_posix.cpp: (anonymous namespace)::g_have_saved"
  "whether g_saved holds settings to restore (volatile sig_atomic_t)"
  "console_posix.cpp: (anonymous namespace)::g_raw"
  "whether padlink's terminal settings are in force (volatile sig_atomic_t)"
  "console_posix.cpp: (anonymous namespace)::g_keyboard_open"
  "whether SIGCONT and a resumed Ctrl+Z take the terminal back (volatile sig_atomic_t)"
  "console_posix.cpp: (anonymous namespace)::g_started"
  "the handlers are installed and the settings saved once per process"
  "console_posix.cpp: (anonymous namespace)::g_input_arrived"
  "set by the input signal's handler, cleared before the keyboard reads (volatile sig_atomic_t)"
  "console_posix.cpp: (anonymous namespace)::g_take_requests"
  "whether the handlers note requests for the run rather than act (volatile sig_atomic_t)"
  "console_posix.cpp: (anonymous namespace)::g_end_signal"
  "the signal of an end request noted by a handler (volatile sig_atomic_t)"
  "console_posix.cpp: (anonymous namespace)::g_suspend_requested"
  "a suspend request noted by the Ctrl+Z handler (volatile sig_atomic_t)"
  "exclusive_posix.cpp: (anonymous namespace)::g_marked"
  "the devices marked exclusive, which a fatal signal's handler releases (lock-free atomics)"
  "low_latency_posix.cpp: (anonymous namespace)::g_low_latency"
  "the devices whose low-latency flag padlink set, which a fatal signal's handler clears (lock-free atomics)"
)
# Data the compiler itself makes, in any file: a pattern of names and its
# reason.
set(generated
  "^DW\\.ref\\.__gxx_personality_v0$"
  "the exception tables' pointer to the C++ personality routine, set when the program is loaded"
  "^__odr_asan\\."
  "AddressSanitizer's one-definition-rule mark of a global, which is itself checked here"
  "^__unnamed_[0-9]+$"
  "clang's records of the sanitizers' checks (source locations, types), which their runtime marks"
)

# The names of the two lists, without their reasons.
function(even_items list out)
  set(items "")
  list(LENGTH ${list} count)
  math(EXPR last "${count} - 1")
  foreach(i RANGE 0 ${last} 2)
    list(GET ${list} ${i} item)
    list(APPEND items "${item}")
  endforeach()
  set(${out} "${items}" PARENT_SCOPE)
endfunction()
even_items(allowed allowed_names)
even_items(generated generated_patterns)

set(writable_section "^\\.(data|bss|tdata|tbss|tls)($|[.$])")
set(load_time_section "^\\.data\\.rel\\.ro($|[.$])")

# An nm line in the System V format: name|value|class|type|size|line|section.
# The name may hold '|' (operator|), so the fields are taken from the right.
set(sysv_line "^(.*)\\|[0-9a-fA-F]* *\\| *(.) *\\|[^|]*\\|[^|]*\\|[^|]*\\| *([^| ]*) *$")

set(found "")
set(used "")
foreach(file IN LISTS FILES)
  if(file STREQUAL "")
    continue()
  endif()
  # Only the files' headers and the lines of writable or common symbols
  # (grep: most symbols are code, and CMake reads lines slowly).
  execute_process(COMMAND ${NM} -C -f sysv --defined-only ${file}
                  COMMAND grep -E "^Symbols from |\\| *([.](data|bss|tdata|tbss|tls)|[*]COM[*])[^|]*$"
                  OUTPUT_VARIABLE symbols RESULTS_VARIABLE results ERROR_VARIABLE errors)
  list(GET results 0 result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} failed on ${file}: ${errors}")
  endif()
  get_filename_component(member ${file} NAME)
  # Demangled names hold ';', '[' and ']', which a CMake list would take
  # for its own.
  string(REPLACE ";" "<semicolon>" symbols "${symbols}")
  string(REPLACE "[" "<lb>" symbols "${symbols}")
  string(REPLACE "]" "<rb>" symbols "${symbols}")
  string(REPLACE "\n" ";" lines "${symbols}")
  foreach(line IN LISTS lines)
    # "Symbols from lib.a<lb>member.o<rb>:" or "Symbols from file.o:".
    if(line MATCHES "^Symbols from .*<lb>(.*)<rb>:$")
      set(member "${CMAKE_MATCH_1}")
      continue()
    elseif(line MATCHES "^Symbols from (.*):$")
      get_filename_component(member "${CMAKE_MATCH_1}" NAME)
      continue()
    endif()
    if(NOT line MATCHES "${sysv_line}")
      continue()
    endif()
    string(STRIP "${CMAKE_MATCH_1}" name)
    set(class "${CMAKE_MATCH_2}")
    set(section "${CMAKE_MATCH_3}")
    if(class STREQUAL "C")
      set(section "*COM*")
    elseif(NOT section MATCHES "${writable_section}" OR section MATCHES "${load_time_section}")
      continue()
    endif()
    string(REPLACE "<lb>" "[" name "${name}")
    string(REPLACE "<rb>" "]" name "${name}")
    string(REPLACE "<semicolon>" ";" name "${name}")
    # The object's source file: console_posix.cpp.o (.obj on Windows).
    string(REGEX REPLACE "\\.(o|obj)$" "" source "${member}")
    set(made_by_compiler FALSE)
    foreach(pattern IN LISTS generated_patterns)
      if(name MATCHES "${pattern}")
        set(made_by_compiler TRUE)
      endif()
    endforeach()
    if(made_by_compiler)
      continue()
    endif()
    list(FIND allowed_names "${source}: ${name}" index)
    if(index GREATER_EQUAL 0)
      list(APPEND used "${source}: ${name}")
      continue()
    endif()
    string(APPEND found "  ${source}: ${name} (${section})\n")
  endforeach()
endforeach()

set(unused "")
foreach(entry IN LISTS allowed_names)
  list(FIND used "${entry}" index)
  if(index LESS 0)
    string(APPEND unused "  ${entry}\n")
  endif()
endforeach()

if(found)
  message(FATAL_ERROR "Writable process-wide data:\n${found}"
                      "Only the signal handlers' state may be writable (tests/owned_state.cmake).")
endif()
if(unused)
  message(FATAL_ERROR "Allowed in tests/owned_state.cmake but not found:\n${unused}")
endif()
