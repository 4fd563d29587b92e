# cmake -DSTAGE=folder -DMEDIUM=folder -P take_in_stage.cmake
# Copies the 64-bit tree's staged folders into the medium. A 32-bit tree built alone gives a
# medium without them, and says so.
if(EXISTS "${STAGE}/x64" AND EXISTS "${STAGE}/driverx64")
  file(COPY "${STAGE}/" DESTINATION "${MEDIUM}")
else()
  message(WARNING "No 64-bit stage in ${STAGE} (build the win64 tree first): the medium has no x64 folders")
endif()
