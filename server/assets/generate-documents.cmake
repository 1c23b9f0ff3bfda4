# Converts the sample sources (flat OpenDocument files written for this project) into the
# office formats the demo serves. Run by the build: cmake -DSOFFICE=... -DSOURCE_DIR=...
# -DOUTPUT_DIR=... -DPROFILE_DIR=... -P generate-documents.cmake
foreach(var SOFFICE SOURCE_DIR OUTPUT_DIR PROFILE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "generate-documents.cmake: ${var} is not set")
  endif()
endforeach()

set(work "${OUTPUT_DIR}.work")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}" "${OUTPUT_DIR}")

# A private profile, so the conversion neither touches nor waits for the user's LibreOffice.
function(convert format)
  execute_process(
    COMMAND "${SOFFICE}" "-env:UserInstallation=file://${PROFILE_DIR}" --headless --norestore
            --nologo --convert-to ${format} --outdir "${work}" ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output
    TIMEOUT 300)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "LibreOffice could not convert ${ARGN} to ${format} (${result}):\n${output}")
  endif()
endfunction()

convert(doc "${SOURCE_DIR}/word-sample.fodt" "${SOURCE_DIR}/wps-sample.fodt"
        "${SOURCE_DIR}/file1.fodt" "${SOURCE_DIR}/file2.fodt" "${SOURCE_DIR}/file3.fodt")
convert(docx "${SOURCE_DIR}/word-sample.fodt")
convert(xls "${SOURCE_DIR}/excel-sample.fods")
convert(ppt "${SOURCE_DIR}/powerpoint-sample.fodp")
# WPS Writer reads and writes the Word 97 binary format under its own extension.
file(RENAME "${work}/wps-sample.doc" "${work}/wps-sample.wps")

foreach(name word-sample.doc word-sample.docx excel-sample.xls powerpoint-sample.ppt
             wps-sample.wps file1.doc file2.doc file3.doc)
  if(NOT EXISTS "${work}/${name}")
    message(FATAL_ERROR "LibreOffice did not produce ${name}")
  endif()
  file(SIZE "${work}/${name}" size)
  if(size EQUAL 0)
    message(FATAL_ERROR "LibreOffice produced an empty ${name}")
  endif()
  file(COPY_FILE "${work}/${name}" "${OUTPUT_DIR}/${name}" ONLY_IF_DIFFERENT)
endforeach()
file(REMOVE_RECURSE "${work}")
