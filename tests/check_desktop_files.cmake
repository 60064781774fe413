# Checks the desktop entry and the MIME type file with the tools a desktop uses to read them.
#   -DVALIDATE=desktop-file-validate -DUPDATE_MIME=update-mime-database -DXMLLINT=xmllint
#   -DDESKTOP=... -DMIME=... -DWORK=<scratch folder>
if(NOT VALIDATE OR NOT UPDATE_MIME OR NOT XMLLINT)
  message("SKIPPED: needs desktop-file-validate (desktop-file-utils), update-mime-database "
          "(shared-mime-info) and xmllint (libxml2-utils)")
  return()
endif()

execute_process(COMMAND ${VALIDATE} ${DESKTOP} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out STREQUAL "")
  message(FATAL_ERROR "desktop-file-validate: ${out}")
endif()

execute_process(COMMAND ${XMLLINT} --noout ${MIME} RESULT_VARIABLE rc ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "xmllint: ${out}")
endif()

# The MIME database compiled from our file alone must map *.qrd, in any case, to our type.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK}/mime/packages)
file(COPY_FILE ${MIME} ${WORK}/mime/packages/qorn.xml)
execute_process(COMMAND ${UPDATE_MIME} ${WORK}/mime RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR out MATCHES "[Ww]arning|[Ee]rror")
  message(FATAL_ERROR "update-mime-database: ${out}")
endif()
file(STRINGS ${WORK}/mime/globs2 globs REGEX "x-qorn")
if(NOT globs STREQUAL "50:application/x-qorn-qrd:*.qrd")
  message(FATAL_ERROR "globs2 has '${globs}'")
endif()
file(READ ${WORK}/mime/application/x-qorn-qrd.xml type)
foreach(expected "<comment>QORN chart settings</comment>" "<comment xml:lang=\"ja\">QORN 編み図の設定ファイル</comment>"
                 "<sub-class-of type=\"text/plain\"/>")
  string(FIND "${type}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the compiled type lacks ${expected}:\n${type}")
  endif()
endforeach()
file(READ ${DESKTOP} entry)
string(FIND "${entry}" "\nMimeType=application/x-qorn-qrd;" at)
if(at EQUAL -1)
  message(FATAL_ERROR "the desktop entry does not open our type")
endif()
