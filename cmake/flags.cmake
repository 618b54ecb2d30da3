# Build flags shared by every target of ours. The deliverables are narrow-char
# (no UNICODE), use neither exceptions nor RTTI, link the runtime statically so
# they import only Windows system DLLs, and drop unused sections.

add_library(project_flags INTERFACE)
target_compile_definitions(project_flags INTERFACE
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
target_compile_options(project_flags INTERFACE
  -Wall -Wextra -Werror -Os -ffunction-sections -fdata-sections
  $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>)
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
  _WIN32_WINNT=0x0601 WINVER=0x0601 _WIN32_IE=0x0800 NOMINMAX STRICT)
target_compile_options(test_flags INTERFACE -Wall -Wextra -Werror -O1 -gdwarf-4 -fno-omit-frame-pointer)
target_link_options(test_flags INTERFACE -static)
