# Installs the build into a fresh prefix and checks it the way a desktop
# would see it: both programs, the desktop entry with its icon, and the
# AppStream metadata, each validated by the desktop's own tool.
#
#   cmake -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=... -DVERSION=... -P installtree.cmake

foreach(var BUILD_DIR PREFIX APP_ID VERSION)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
  RESULT_VARIABLE status OUTPUT_QUIET)
if(status)
  message(FATAL_ERROR "cmake --install failed: ${status}")
endif()

set(desktop "${PREFIX}/share/applications/${APP_ID}.desktop")
set(metainfo "${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml")
set(icon "${PREFIX}/share/icons/hicolor/scalable/apps/${APP_ID}.svg")
foreach(file "${PREFIX}/bin/zelk-calculator" "${PREFIX}/bin/zelkc" "${desktop}" "${metainfo}" "${icon}")
  if(NOT EXISTS "${file}")
    message(SEND_ERROR "not installed: ${file}")
  endif()
endforeach()

# The tools are installed with the project's packages; a missing one is a
# failure, not a reason to skip.
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_program(APPSTREAMCLI appstreamcli REQUIRED)

# desktop-file-validate exits with 0 on mere warnings: any output fails.
execute_process(COMMAND "${DESKTOP_FILE_VALIDATE}" "${desktop}"
  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(status OR NOT output STREQUAL "")
  message(SEND_ERROR "desktop-file-validate ${desktop}:\n${output}")
endif()

# The file alone, then the tree: the metadata's launchable must be the
# installed desktop entry.
foreach(check "validate;${metainfo}" "validate-tree;${PREFIX}")
  execute_process(COMMAND "${APPSTREAMCLI}" ${check} --no-net
    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(status)
    message(SEND_ERROR "appstreamcli ${check}:\n${output}")
  endif()
endforeach()

# The entry starts an installed program and shows the installed icon.
file(READ "${desktop}" entry)
foreach(expected "Name=ZELK Calculator" "Exec=zelk-calculator" "Icon=${APP_ID}"
                 "Categories=Utility;Calculator;")
  string(FIND "\n${entry}" "\n${expected}\n" found)
  if(found EQUAL -1)
    message(SEND_ERROR "${desktop} lacks the line ${expected}")
  endif()
endforeach()

execute_process(COMMAND "${PREFIX}/bin/zelkc" --version
  RESULT_VARIABLE status OUTPUT_VARIABLE output OUTPUT_STRIP_TRAILING_WHITESPACE)
if(status OR NOT output STREQUAL "zelkc ${VERSION}")
  message(SEND_ERROR "zelkc --version printed '${output}', expected 'zelkc ${VERSION}'")
endif()
