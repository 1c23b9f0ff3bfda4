# Installs the build into a fresh prefix, builds the example host against that prefix alone
# and has it convert a .docx to PDF without a display; then a missing document must fail.
# cmake -DBUILD_DIR=... -DEXAMPLE_SOURCE=... -DWORK_DIR=... -DDOCUMENT=... -DGENERATOR=...
# -DLIBEXEC_DIR=... -P run-example-host.cmake
foreach(var BUILD_DIR EXAMPLE_SOURCE WORK_DIR DOCUMENT GENERATOR LIBEXEC_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "run-example-host.cmake: ${var} is not set")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed (${result}): ${ARGN}\n${output}")
  endif()
endfunction()

set(prefix "${WORK_DIR}/prefix")
file(REMOVE_RECURSE "${WORK_DIR}")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${prefix}")
run(${CMAKE_COMMAND} -S "${EXAMPLE_SOURCE}" -B "${WORK_DIR}/host" -G "${GENERATOR}"
    -DCMAKE_BUILD_TYPE=Release "-DCMAKE_PREFIX_PATH=${prefix}"
    -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF)
file(STRINGS "${WORK_DIR}/host/CMakeCache.txt" found REGEX "^QuillaryControl_DIR:")
if(NOT found MATCHES "^QuillaryControl_DIR:PATH=${prefix}/")
  message(FATAL_ERROR "the example found the package elsewhere: ${found}")
endif()
run(${CMAKE_COMMAND} --build "${WORK_DIR}/host")

# No display at all; the engine must come from the prefix, and its profile stays in WORK_DIR.
set(host_env ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
    --unset=QT_QPA_PLATFORM "XDG_CACHE_HOME=${WORK_DIR}/cache"
    "QT_LOGGING_RULES=quillary.framer.debug=true")
set(pdf "${WORK_DIR}/out/document.pdf")
file(MAKE_DIRECTORY "${WORK_DIR}/out")
execute_process(COMMAND ${host_env} "${WORK_DIR}/host/quillary-minimal-host" "${DOCUMENT}" --pdf
                        "${pdf}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 300)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the example host failed (${result}):\n${output}")
endif()
string(FIND "${output}" "${prefix}/${LIBEXEC_DIR}/quillary/quillary-office-engine" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the engine did not come from the prefix:\n${output}")
endif()
file(READ "${pdf}" head LIMIT 8)
if(NOT head MATCHES "^%PDF-")
  message(FATAL_ERROR "${pdf} is not a PDF")
endif()
execute_process(COMMAND pdftotext "${pdf}" - OUTPUT_VARIABLE text RESULT_VARIABLE result)
if(NOT text MATCHES "Quillary sample page two")
  message(FATAL_ERROR "the PDF lacks the document's text (${result}):\n${text}")
endif()

set(missing "${WORK_DIR}/out/missing.pdf")
execute_process(COMMAND ${host_env} "${WORK_DIR}/host/quillary-minimal-host"
                        "${WORK_DIR}/none.docx" --pdf "${missing}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output TIMEOUT 300)
if(result EQUAL 0 OR NOT output MATCHES "none.docx" OR EXISTS "${missing}")
  message(FATAL_ERROR "a missing document did not fail clearly (${result}):\n${output}")
endif()
