# Run at build time: the page's voice is the build's fones.DAT; without one
# the page has none either, and the game in it is mute.
if(EXISTS "${FROM}")
  file(COPY_FILE "${FROM}" "${TO}" ONLY_IF_DIFFERENT)
else()
  file(REMOVE "${TO}")
endif()
