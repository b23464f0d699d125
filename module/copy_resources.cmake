# Copies the repository's Resources folder (when there is one) into the bundle. The page's
# package.json only tells Node.js (the page tests) how to read its modules: it is not shipped.
if(EXISTS "${SOURCE}")
  file(COPY "${SOURCE}/" DESTINATION "${DEST}" PATTERN "package.json" EXCLUDE)
endif()
