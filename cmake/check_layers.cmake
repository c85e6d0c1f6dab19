# Fails when an include runs against the layers, so that the build stops
# before anything is compiled:
#
#   game > messages > letras > synt > console > runtime > platform
#
# A layer may include its own headers and those of the layers below it; of
# platform/ only the interface (platform.h, virtual_keys.h), and game's
# entry also native.h, which names the backend.  No layer above platform/
# includes an SDL, fontconfig or Windows header or tests _WIN32.  Inside
# platform/, the shared core (common/) uses the interface only, and each
# backend the interface, the core and itself.  The console's own files are
# ordered as CONSOLE_ORDER lists them: each may include only those before
# it.  tools/ may use every layer and platform/common/, never a backend;
# tests/, fuzz/ and bench/ sit on top of everything.
#
#   cmake -DROOT=<source dir> -DSTAMP=<file written on success> -P check_layers.cmake
cmake_minimum_required(VERSION 3.25)

set(LAYERS platform runtime console synt letras messages game)
set(CONSOLE_ORDER
  key_queue window_state screen_state tone caret magnifier message_pump braille
  console_config window_creation screen_buffer keyboard text_device console_window)
set(INTERFACE platform/platform.h platform/virtual_keys.h)
set(SYSTEM_HEADERS "^(SDL|SDL_.*|fontconfig/.*|windows|mmsystem|winuser|wingdi)\\.h$")

set(problems "")
macro(problem file line text)
  string(APPEND problems "${file}:${line}: ${text}\n")
endmacro()

file(GLOB_RECURSE files RELATIVE "${ROOT}"
  "${ROOT}/platform/*.h" "${ROOT}/platform/*.cpp"
  "${ROOT}/runtime/*.h" "${ROOT}/runtime/*.cpp"
  "${ROOT}/console/*.h" "${ROOT}/console/*.cpp"
  "${ROOT}/synt/*.h" "${ROOT}/synt/*.cpp"
  "${ROOT}/letras/*.h" "${ROOT}/letras/*.cpp"
  "${ROOT}/messages/*.h" "${ROOT}/messages/*.cpp"
  "${ROOT}/game/*.h" "${ROOT}/game/*.cpp"
  "${ROOT}/tools/*.h" "${ROOT}/tools/*.cpp")

foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" layer "${file}")
  get_filename_component(directory "${file}" DIRECTORY)
  get_filename_component(module "${file}" NAME_WE)
  list(FIND LAYERS "${layer}" rank)
  set(part "${layer}")
  if(layer STREQUAL "platform")
    string(REGEX MATCH "^platform/[^/]+/" part "${file}")
    if(part STREQUAL "")
      set(part "platform")
    else()
      string(REGEX REPLACE "/$" "" part "${part}")
    endif()
  endif()
  if(layer STREQUAL "console")
    list(FIND CONSOLE_ORDER "${module}" place)
    if(place EQUAL -1)
      problem(${file} 1 "console/${module} is not in the console's order (cmake/check_layers.cmake)")
    endif()
  endif()

  file(STRINGS "${ROOT}/${file}" lines)
  set(number 0)
  foreach(line IN LISTS lines)
    math(EXPR number "${number} + 1")
    if(rank GREATER 0 AND line MATCHES "_WIN32")
      problem(${file} ${number} "${layer} tests _WIN32: only platform/ may")
    endif()
    if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([\"<])([^\">]+)[\">]")
      continue()
    endif()
    set(bracket "${CMAKE_MATCH_1}")
    set(header "${CMAKE_MATCH_2}")
    if(bracket STREQUAL "<")
      if(header MATCHES "${SYSTEM_HEADERS}" AND NOT part MATCHES "^platform/(sdl|win32|web)$")
        problem(${file} ${number} "${part} includes <${header}>: only a backend may")
      endif()
      continue()
    endif()
    # A name without a directory, or a relative one, is found beside the file.
    if(NOT header MATCHES "/" OR header MATCHES "^\\.")
      get_filename_component(resolved "${ROOT}/${directory}/${header}" ABSOLUTE)
      file(RELATIVE_PATH header "${ROOT}" "${resolved}")
    endif()
    string(REGEX MATCH "^[^/]+" target "${header}")
    get_filename_component(target_module "${header}" NAME_WE)
    list(FIND LAYERS "${target}" target_rank)

    if(layer STREQUAL "tools")
      if(header MATCHES "^(tests|fuzz|bench)/" OR
         (header MATCHES "^platform/" AND NOT header MATCHES "^platform/common/" AND
          NOT header IN_LIST INTERFACE))
        problem(${file} ${number} "tools include ${header}: only the layers and platform/common")
      endif()
    elseif(layer STREQUAL "platform")
      set(allowed ${INTERFACE})
      if(part MATCHES "^platform/(sdl|win32|web)$")
        list(APPEND allowed platform/native.h)
      endif()
      if(header IN_LIST allowed OR header MATCHES "^${part}/")
        # its own files, or the interface
      elseif(header MATCHES "^platform/common/" AND part MATCHES "^platform/(sdl|web)$")
        # a stand-in builds on the shared core
      else()
        problem(${file} ${number} "${part} includes ${header}: it may use the interface (platform.h, virtual_keys.h), and a stand-in platform/common")
      endif()
    elseif(target_rank EQUAL -1)
      problem(${file} ${number} "${layer} includes ${header}, which is no layer below it")
    elseif(target_rank GREATER rank)
      problem(${file} ${number} "${layer} includes ${header}: ${target} is above ${layer} (game > messages > letras > synt > console > runtime > platform)")
    elseif(target STREQUAL "platform" AND NOT header IN_LIST INTERFACE AND
           NOT (layer STREQUAL "game" AND header STREQUAL "platform/native.h"))
      problem(${file} ${number} "${layer} includes ${header}: of platform/ only the interface (platform.h, virtual_keys.h)")
    elseif(layer STREQUAL "console" AND target STREQUAL "console" AND
           NOT target_module STREQUAL module)
      list(FIND CONSOLE_ORDER "${module}" place)
      list(FIND CONSOLE_ORDER "${target_module}" target_place)
      if(target_place EQUAL -1 OR target_place GREATER place)
        problem(${file} ${number} "console/${module} includes ${header}: console/${target_module} comes after it in the console's order (cmake/check_layers.cmake)")
      endif()
    endif()
  endforeach()
endforeach()

if(NOT problems STREQUAL "")
  message(FATAL_ERROR "Includes that run against the layers:\n${problems}")
endif()
file(WRITE "${STAMP}" "")
