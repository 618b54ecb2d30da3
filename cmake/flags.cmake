# Build flags shared by every target of ours. The deliverables are narrow-char
# (no UNICODE), use neither exceptions nor RTTI, link the runtime statically so
# they import only Windows system DLLs, and drop unused functions.
#
# Size notes (each measured on the stripped deliverables):
# - The C++ library's configuration header turns mingw's own printf and scanf
#   on (about 30 KB of float formatting and parsing per binary); stdio.h read
#   first, with the switch off, declares msvcrt's, which is all we use.
# - With -fdata-sections this compiler puts zero-filled objects in .data, so
#   the crash reporter's static buffers took 20 KB of file; without it they
#   stay in .bss.
# - Nothing of ours unwinds, so no unwind tables (10-15 KB).

add_library(project_flags INTERFACE)
target_compile_definitions(project_flags INTERFACE
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT
  __USE_MINGW_ANSI_STDIO=0)
target_compile_options(project_flags INTERFACE
  -Wall -Wextra -Werror -Os -ffunction-sections
  "SHELL:$<$<COMPILE_LANGUAGE:CXX>:-include stdio.h>"
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics -fno-asynchronous-unwind-tables>)
target_link_options(project_flags INTERFACE -static -Wl,--gc-sections)

if(BRAMCOT_TESTS)
  # The crash-report tests resolve our own frames through Wine's dbghelp,
  # which reads DWARF-4 and walks frame-pointer chains.
  target_compile_options(project_flags INTERFACE -gdwarf-4 -fno-omit-frame-pointer)
else()
  target_link_options(project_flags INTERFACE -s)
endif()

# Test programs keep the same warnings but may use exceptions (GoogleTest).
add_library(test_flags INTERFACE)
target_compile_definitions(test_flags INTERFACE
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT
  __USE_MINGW_ANSI_STDIO=0)
target_compile_options(test_flags INTERFACE -Wall -Wextra -Werror -O1 -gdwarf-4 -fno-omit-frame-pointer)
target_link_options(test_flags INTERFACE -static)
