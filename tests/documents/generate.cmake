# Converts the test documents' flat OpenDocument sources into the office formats the tests
# open. Run by the build: cmake -DSOFFICE=... -DSOURCE_DIR=... -DOUTPUT_DIR=...
# -DPROFILE_DIR=... -P generate.cmake
foreach(var SOFFICE SOURCE_DIR OUTPUT_DIR PROFILE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "generate.cmake: ${var} is not set")
  endif()
endforeach()

# Each source in each of its formats; a private profile, so the conversion neither touches nor
# waits for the user's LibreOffice.
set(conversions "sample.fodt:doc,docx,odt,rtf,html" "sample.fods:xls,xlsx,ods"
    "sample.fodp:ppt,pptx,odp" "figures.fods:xls,xlsx" "slides.fodp:pptx")
set(work "${OUTPUT_DIR}.work")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}" "${OUTPUT_DIR}")
foreach(conversion IN LISTS conversions)
  string(REPLACE ":" ";" parts "${conversion}")
  list(GET parts 0 source)
  list(GET parts 1 formats)
  string(REPLACE "," ";" formats "${formats}")
  get_filename_component(stem "${source}" NAME_WE)
  foreach(format IN LISTS formats)
    execute_process(
      COMMAND "${SOFFICE}" "-env:UserInstallation=file://${PROFILE_DIR}" --headless --norestore
              --nologo --convert-to ${format} --outdir "${work}" "${SOURCE_DIR}/${source}"
      RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 300)
    set(made "${work}/${stem}.${format}")
    if(NOT result EQUAL 0 OR NOT EXISTS "${made}")
      message(FATAL_ERROR "LibreOffice did not convert ${source} to ${format} (${result}):\n${output}")
    endif()
    file(COPY_FILE "${made}" "${OUTPUT_DIR}/${stem}.${format}" ONLY_IF_DIFFERENT)
  endforeach()
endforeach()
file(REMOVE_RECURSE "${work}")
