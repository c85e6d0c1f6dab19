# Run at build time by cross builds: puts fones.DAT into OUTPUT from the
# host build's tool (TOOL) or, failing that, its file (HOST_FILE).
if(EXISTS "${TOOL}")
  # The tool is rerun only when it is newer than the file it made last time.
  if(NOT EXISTS "${OUTPUT}" OR "${TOOL}" IS_NEWER_THAN "${OUTPUT}")
    execute_process(COMMAND "${TOOL}" --output "${OUTPUT}" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "${TOOL} could not make ${OUTPUT}")
    endif()
  endif()
elseif(EXISTS "${HOST_FILE}")
  file(COPY_FILE "${HOST_FILE}" "${OUTPUT}" ONLY_IF_DIFFERENT)
else()
  message(WARNING
    "fones.DAT was not made: this cross build takes the voice from the Linux build, "
    "and there is none yet.  Build the default preset first:\n"
    "  cmake --preset default && cmake --build --preset default\n"
    "then build this one again (or point MIRABO_VOICE_TOOL at a built mirabo-voice).  "
    "Without fones.DAT the game runs mute.")
endif()
