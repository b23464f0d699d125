# Copies the repository's Resources folder (when there is one) into the bundle.
if(EXISTS "${SOURCE}")
  file(COPY "${SOURCE}/" DESTINATION "${DEST}")
endif()
